#include "FilterHost.h"

#include "FilterClass.h"
#include "LSModule.h"
#include "UniqueResource.h"

#include <objbase.h>
#include <oleauto.h>

#include <stdexcept>

namespace SyncDriver {

namespace {

constexpr wchar_t kProgId[] = L"Talvern.SyncFilter.Box";
// The stand-in's account starts with these tokens.
constexpr wchar_t kInitialAccessToken[] = L"initialaccesstoken";
constexpr wchar_t kInitialRefreshToken[] = L"initialrefreshtoken";
// The metadata template the sample account keeps e-mail properties in.
constexpr wchar_t kEmailTemplate[] = L"emailProps";

std::wstring BinPath(const wchar_t* name) { return GetModuleFolder(::GetModuleHandleW(nullptr)) + L"\\" + name; }

void RegisterServer()
{
    TalvernCommon::unique_hmodule dll(::LoadLibraryW(BinPath(L"VESKBoxSync32.dll").c_str()));
    const auto registerServer =
        dll ? reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(dll.get(), "DllRegisterServer")) : nullptr;
    if (!registerServer || FAILED(registerServer()))
        throw std::runtime_error("the filter DLL could not be registered");
}

void RegisterHostTypeLibrary()
{
    TalvernCommon::com_ptr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(BinPath(L"VESKSyncBasicsLib.tlb").c_str(), REGKIND_REGISTER, library.put())))
        throw std::runtime_error("the host's type library could not be registered");
}

} // namespace

FilterHost::FilterHost(const std::wstring& standInUrl)
{
    RegisterHostTypeLibrary();
    RegisterServer();
    m_settings.SetString(SettingsSource::User, L"Mock.BoxService", standInUrl);
    m_settings.SetString(SettingsSource::User, L"BoxSync.AccessToken", kInitialAccessToken);
    m_settings.SetString(SettingsSource::User, L"BoxSync.RefreshToken", kInitialRefreshToken);
    m_settings.SetString(SettingsSource::User, L"BoxSync.EmailMetaDataTemplateName", kEmailTemplate);
}

TalvernCommon::com_ptr<ILSSyncFilter2> FilterHost::CreateFilter() const
{
    CLSID clsid = GUID_NULL;
    if (FAILED(::CLSIDFromProgID(kProgId, &clsid)))
        clsid = TestSupport::FollowCurVer(kProgId).clsid;
    TalvernCommon::com_ptr<ILSSyncFilter2> filter;
    const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ILSSyncFilter2),
                                          filter.put_void());
    if (FAILED(hr))
        throw std::runtime_error("the Box filter could not be created");
    return filter;
}

} // namespace SyncDriver
