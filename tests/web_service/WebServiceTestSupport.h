// Shared ground of the web-service suite: the stand-in, settings, scratch folders, a host
// informer that another thread can stop, and the request helpers the cases repeat.
#pragma once

#include "BoxStandIn.h"
#include "ComPtr.h"
#include "ILSHttpRequest.h"
#include "LSCancelCheck.h"
#include "LSHttpError.h"
#include "TestShutdownInformer.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace WebServiceTest {

// A value under HKCU\Software\Talvern\VESK for the life of the object.
class ScopedSetting {
public:
    ScopedSetting(std::wstring name, const std::wstring& text);
    ScopedSetting(std::wstring name, DWORD number);
    ScopedSetting(const ScopedSetting&) = delete;
    ScopedSetting& operator=(const ScopedSetting&) = delete;
    ~ScopedSetting();

private:
    std::wstring m_name;
};

// A new empty folder under the system's temporary folder, removed with its content.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
    std::vector<std::wstring> FileNames() const;

private:
    std::wstring m_path;
};

// Sets the log switches, starts the process's logging into a folder of the working directory
// (emptied first) and returns that folder. Later calls only return it.
const std::wstring& StartLoggingOnce();
std::string ReadLogFiles();

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
uint64_t FileSize(const std::wstring& path);
std::string Sha1Hex(const std::wstring& path);
std::string Sha1HexOfBytes(const std::string& bytes);
inline std::wstring Wide(const std::string& utf8) { return Utf8ToWideLossy(utf8); }
// Whether the journaled request carried each of the headers once and in this order, whatever
// else stood between them.
::testing::AssertionResult HeadersInOrder(const Json::Value& entry, const std::vector<std::string>& names);
// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
int UnusedLocalPort();
inline std::string Utf8(const std::wstring& wide) { return WideToUtf8Lossy(wide); }

// Asks the informer to stop, from its own thread, once the condition holds.
class StopWhen {
public:
    StopWhen(TestHost::TestShutdownInformer* informer, std::function<bool()> condition);
    StopWhen(const StopWhen&) = delete;
    StopWhen& operator=(const StopWhen&) = delete;
    ~StopWhen();

private:
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

// A fresh stand-in state for each case.
class StandInTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::wstring Url(const std::string& path) const { return standIn.BaseUrlWide() + Wide(path); }
    // An opened XMLHTTP request (asynchronous, no user) from the factory.
    std::unique_ptr<ILSHttpRequest> Open(const std::wstring& method, const std::wstring& url) const;
    // The stand-in takes such requests and answers nothing for a minute.
    void ScriptHang(const std::string& method, const std::string& path) const;
    // What the call throws when the informer asks to stop once the call is waiting on it.
    HRESULT ThrownWhenStoppedWhileWaiting(const std::function<void()>& call);
    // A cancel check that asks to stop once the stand-in has begun acting out a scripted answer
    // for the path (it notes that just before it writes or drops anything): the stop and what
    // the answer does to the transfer then reach the request together.
    LSCancelCheck StopOnceScriptedAnswerBegins(const std::string& pathGlob) const;

    TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    TalvernCommon::com_ptr<TestHost::TestShutdownInformer> informer = TestHost::TestShutdownInformer::Create();
};

// The HRESULT a call throws as hresult_exception or bare HRESULT; S_OK when it throws neither.
HRESULT ThrownHresult(const std::function<void()>& call);
// The HTTP failure a call throws; a status of 0 when it throws none.
LSHttpError ThrownHttpError(const std::function<void()>& call);

} // namespace WebServiceTest
