// Creates the registered Box filter by program id, as the host add-in does, and shows what it
// answers: which of the host's interfaces, and what its IDispatch describes.
#include "ComOwners.h"
#include "ComPtr.h"
#include "FilterClass.h"
#include "LSModule.h"
#include "Utf8Converter.h"
#include "VESKBoxSync.h"
#include "VESKSyncBasicsLib.h"

#include <objbase.h>
#include <oleauto.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

using TalvernCommon::com_ptr;

constexpr wchar_t kProgId[] = L"Talvern.SyncFilter.Box";

std::wstring GuidWide(REFGUID guid)
{
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::string GuidText(REFGUID guid) { return WideToUtf8Lossy(GuidWide(guid)); }

std::string HResultText(HRESULT hr)
{
    char text[16] = {};
    ::wsprintfA(text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::wstring RegistryText(const std::wstring& key, const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

std::wstring FileVersionText(const std::wstring& path)
{
    DWORD ignored = 0;
    std::vector<BYTE> info(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    wchar_t* text = nullptr;
    UINT length = 0;
    if (info.empty() || !::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
        !::VerQueryValueW(info.data(), L"\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&text),
                          &length))
        return L"(no version)";
    return std::wstring(text, length > 0 ? length - 1 : 0);
}

// The host's installer registers the host's type library; the filter's IDispatch describes the
// host's sync-filter interface from it.
void RegisterHostTypeLibrary()
{
    com_ptr<ITypeLib> library;
    const HRESULT hr = ::LoadTypeLibEx((GetModuleFolder(nullptr) + L"\\VESKSyncBasicsLib.tlb").c_str(),
                                       REGKIND_REGISTER, library.put());
    std::cout << "  host type library   VESKSyncBasicsLib " << (SUCCEEDED(hr) ? "registered" : HResultText(hr))
              << "\n";
}

// Through CurVer where CLSIDFromProgID does not follow it.
bool ResolveProgId(CLSID& clsid)
{
    if (SUCCEEDED(::CLSIDFromProgID(kProgId, &clsid))) {
        std::cout << "  program id          " << WideToUtf8Lossy(kProgId) << " -> " << GuidText(clsid) << "\n";
        return true;
    }
    const TestSupport::CurrentVersion current = TestSupport::FollowCurVer(kProgId);
    if (FAILED(current.hr)) {
        std::cout << "  program id          " << WideToUtf8Lossy(kProgId) << " is not registered ("
                  << HResultText(current.hr) << ")\n";
        return false;
    }
    clsid = current.clsid;
    std::cout << "  program id          " << WideToUtf8Lossy(kProgId) << " -> CurVer "
              << WideToUtf8Lossy(current.progId) << " -> " << GuidText(clsid) << "\n";
    return true;
}

void ShowAnswer(IUnknown* filter, const TestSupport::NamedInterface& entry)
{
    com_ptr<IUnknown> answer;
    const HRESULT hr = filter->QueryInterface(*entry.iid, answer.put_void());
    std::cout << "  " << (SUCCEEDED(hr) ? "yes" : "no ") << "  " << entry.name
              << std::string(32 - std::string(entry.name).size(), ' ') << GuidText(*entry.iid) << "\n";
}

// The COM map, then interfaces it leaves out.
void ShowInterfaces(IUnknown* filter)
{
    const TestSupport::NamedInterface others[] = {
        {&IID_ILSStartPointProvider, "ILSStartPointProvider"},
        {&IID_IPersist, "IPersist"},
        {&IID_IMarshal, "IMarshal"},
    };
    std::cout << "\nQueryInterface answers:\n";
    for (const TestSupport::NamedInterface& entry : TestSupport::FilterComMap())
        ShowAnswer(filter, entry);
    for (const TestSupport::NamedInterface& entry : others)
        ShowAnswer(filter, entry);
}

void ShowDispatch(IUnknown* filter)
{
    com_ptr<IDispatch> dispatch;
    com_ptr<ITypeInfo> info;
    HRESULT hr = filter->QueryInterface(IID_IDispatch, dispatch.put_void());
    if (SUCCEEDED(hr))
        hr = dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put());
    TalvernCommon::unique_bstr name;
    TYPEATTR* attributes = nullptr;
    if (SUCCEEDED(hr))
        hr = info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    if (SUCCEEDED(hr))
        hr = info->GetTypeAttr(&attributes);
    if (FAILED(hr)) {
        std::cout << "\nIDispatch gives no type information (" << HResultText(hr) << ")\n";
        return;
    }
    std::cout << "\nIDispatch describes " << WideToUtf8Lossy(name.get()) << " " << GuidText(attributes->guid) << ", "
              << attributes->cFuncs << " methods callable late-bound (IUnknown's and IDispatch's included)\n";
    info->ReleaseTypeAttr(attributes);
}

int RunDemo()
{
    std::cout << "VESK Box sync filter, created as the host add-in creates it\n\n";
    RegisterHostTypeLibrary();
    CLSID clsid = GUID_NULL;
    if (!ResolveProgId(clsid))
        return 1;
    const std::wstring server = RegistryText(L"CLSID\\" + GuidWide(clsid) + L"\\InprocServer32", nullptr);
    std::cout << "  in-process server   " << WideToUtf8Lossy(server) << "\n"
              << "  file version        " << WideToUtf8Lossy(FileVersionText(server)) << "\n";

    com_ptr<IUnknown> filter;
    const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, filter.put_void());
    std::cout << "  CoCreateInstance    " << (SUCCEEDED(hr) ? "S_OK" : HResultText(hr)) << "\n";
    if (FAILED(hr))
        return 1;
    ShowInterfaces(filter.get());
    ShowDispatch(filter.get());
    return 0;
}

} // namespace

int main()
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    const int result = RunDemo();
    ::CoUninitialize();
    return result;
}
