#include "WebServiceTestSupport.h"

#include "DigestHex.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSHash.h"
#include "LSHttpRequestFactory.h"
#include "UniqueResource.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace WebServiceTest {
namespace {

const wchar_t kSettingsKey[] = L"Software\\Talvern\\VESK";

TalvernCommon::unique_hkey OpenSettingsKey()
{
    TalvernCommon::unique_hkey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open the settings key");
    return key;
}

template <typename Visit>
void ForEachFile(const std::wstring& folder, Visit visit)
{
    WIN32_FIND_DATAW found = {};
    TalvernCommon::unique_hfind search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            visit(std::wstring(found.cFileName));
    } while (::FindNextFileW(search.get(), &found));
}

} // namespace

ScopedSetting::ScopedSetting(std::wstring name, const std::wstring& text) : m_name(std::move(name))
{
    ::RegSetValueExW(OpenSettingsKey().get(), m_name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ScopedSetting::ScopedSetting(std::wstring name, DWORD number) : m_name(std::move(name))
{
    ::RegSetValueExW(OpenSettingsKey().get(), m_name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof(number));
}

ScopedSetting::~ScopedSetting() { ::RegDeleteValueW(OpenSettingsKey().get(), m_name.c_str()); }

ScratchFolder::ScratchFolder()
{
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"vesk-ws-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter);
    if (!::CreateDirectoryW(m_path.c_str(), nullptr))
        throw std::runtime_error("cannot create a scratch folder");
}

ScratchFolder::~ScratchFolder()
{
    ForEachFile(m_path, [this](const std::wstring& name) { ::DeleteFileW(File(name).c_str()); });
    ::RemoveDirectoryW(m_path.c_str());
}

std::vector<std::wstring> ScratchFolder::FileNames() const
{
    std::vector<std::wstring> names;
    ForEachFile(m_path, [&names](const std::wstring& name) { names.push_back(name); });
    return names;
}

const std::wstring& StartLoggingOnce()
{
    static const std::wstring folder = [] {
        wchar_t current[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, current);
        const std::wstring path = std::wstring(current) + L"\\web_service_logs";
        ::CreateDirectoryW(path.c_str(), nullptr);
        ForEachFile(path, [&path](const std::wstring& name) { ::DeleteFileW((path + L"\\" + name).c_str()); });
        // Read once by Initialize: the values need not outlive it.
        const ScopedSetting logDir(L"VESK.LogDir", path);
        const ScopedSetting errors(L"VESK.Log.Error", 1);
        const ScopedSetting perf(L"VESK.Log.Perf", 1);
        const ScopedSetting requests(L"VESK.Log.WebServiceReq", 1);
        const ScopedSetting responses(L"VESK.Log.WebServiceResp", 1);
        LSDiag::Initialize(L"VESK-WebServiceTests", L"test");
        return path;
    }();
    return folder;
}

std::string ReadLogFiles()
{
    std::string text;
    const std::wstring& folder = StartLoggingOnce();
    ForEachFile(folder, [&](const std::wstring& name) { text += ReadFileBytes(folder + L"\\" + name); });
    return text;
}

std::string ReadFileBytes(const std::wstring& path)
{
    TalvernCommon::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        throw std::runtime_error("cannot open " + Utf8(path));
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    TalvernCommon::unique_hfile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        throw std::runtime_error("cannot write " + Utf8(path));
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Sha1Hex(const std::wstring& path) { return TestSupport::Sha1Hex(CLSHash::GetSha1ForFile(path)); }

std::string Sha1HexOfBytes(const std::string& bytes)
{
    return TestSupport::Sha1Hex(CLSHash::GetSha1ForData(bytes.size(), reinterpret_cast<const BYTE*>(bytes.data())));
}

::testing::AssertionResult HeadersInOrder(const Json::Value& entry, const std::vector<std::string>& names)
{
    std::vector<std::string> arrived;
    std::string shown;
    for (const Json::Value& header : entry["headers"]) {
        arrived.push_back(header[0].asString());
        shown += " " + arrived.back();
    }
    auto next = arrived.begin();
    for (const std::string& name : names) {
        if (std::count(arrived.begin(), arrived.end(), name) != 1)
            return ::testing::AssertionFailure() << name << " is not there once; the headers were" << shown;
        next = std::find(next, arrived.end(), name);
        if (next == arrived.end())
            return ::testing::AssertionFailure() << name << " came too early; the headers were" << shown;
    }
    return ::testing::AssertionSuccess();
}

int UnusedLocalPort()
{
    WSADATA data = {};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        throw std::runtime_error("WSAStartup failed");
    const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    const bool bound = probe != INVALID_SOCKET && ::bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                       ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (probe != INVALID_SOCKET)
        ::closesocket(probe);
    ::WSACleanup();
    if (!bound)
        throw std::runtime_error("no free local port");
    return ::ntohs(address.sin_port);
}

StopWhen::StopWhen(TestHost::TestShutdownInformer* informer, std::function<bool()> condition)
    : m_thread([this, informer, condition = std::move(condition)] {
          while (!m_quit) {
              if (condition()) {
                  informer->RequestStop();
                  return;
              }
              std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
      })
{
}

StopWhen::~StopWhen()
{
    m_quit = true;
    m_thread.join();
}

void StandInTest::SetUp()
{
    StartLoggingOnce();
    standIn.Reset();
}

std::unique_ptr<ILSHttpRequest> StandInTest::Open(const std::wstring& method, const std::wstring& url) const
{
    std::unique_ptr<ILSHttpRequest> request = LSHttpRequestFactory::CreateHttpRequest();
    const HRESULT opened = request->Open(_bstr_t(method.c_str()), _bstr_t(url.c_str()), _variant_t(true),
                                         _variant_t(L""), _variant_t(L""));
    if (FAILED(opened))
        throw hresult_exception(opened, "Open failed");
    return request;
}

void StandInTest::ScriptHang(const std::string& method, const std::string& path) const
{
    Json::Value hang;
    hang["method"] = method;
    hang["path"] = path;
    hang["action"] = "hang";
    hang["hang_ms"] = 60000;
    standIn.AddFault(hang);
}

HRESULT StandInTest::ThrownWhenStoppedWhileWaiting(const std::function<void()>& call)
{
    // Stops once the call is waiting: the wait keeps asking the informer.
    StopWhen stopper(informer.get(), [this] { return informer->StopQueries() >= 3; });
    return ThrownHresult(call);
}

LSCancelCheck StandInTest::StopOnceScriptedAnswerBegins(const std::string& pathGlob) const
{
    return [this, pathGlob] {
        for (const Json::Value& entry : standIn.JournalEntries(0, pathGlob)) {
            if (!entry["fault"].isNull())
                return true;
        }
        return false;
    };
}

HRESULT ThrownHresult(const std::function<void()>& call)
{
    try {
        call();
    } catch (const hresult_exception& error) {
        return error.hr();
    } catch (HRESULT hr) {
        return hr;
    }
    return S_OK;
}

LSHttpError ThrownHttpError(const std::function<void()>& call)
{
    try {
        call();
    } catch (const LSHttpError& error) {
        return error;
    }
    return LSHttpError(0, L"");
}

} // namespace WebServiceTest
