#include "FilterHost.h"

#include "BinFolder.h"
#include "FilterClass.h"
#include "UniqueResource.h"

#include <objbase.h>
#include <oleauto.h>

#include <stdexcept>

namespace SyncDriver {

namespace {

constexpr wchar_t kProgId[] = L"Talvern.SyncFilter.Box";

std::wstring BinPath(const wchar_t* name) { return TestSupport::BinFolder() + L"\\" + name; }

void Require(bool done, const char* what)
{
    if (!done)
        throw std::runtime_error(what);
}

} // namespace

FilterHost::FilterHost(const std::wstring& standInUrl)
{
    TalvernCommon::com_ptr<ITypeLib> library;
    Require(SUCCEEDED(::LoadTypeLibEx(BinPath(L"VESKSyncBasicsLib.tlb").c_str(), REGKIND_REGISTER, library.put())),
            "the host's type library could not be registered");
    const TalvernCommon::unique_hmodule dll(::LoadLibraryW(BinPath(L"VESKBoxSync32.dll").c_str()));
    const auto registerServer =
        dll ? reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(dll.get(), "DllRegisterServer")) : nullptr;
    Require(registerServer && SUCCEEDED(registerServer()), "the filter DLL could not be registered");
    // The stand-in's account starts with these tokens; the sample account keeps e-mail properties
    // in the "emailProps" metadata template.
    m_settings.SetString(SettingsSource::User, L"Mock.BoxService", standInUrl);
    m_settings.SetString(SettingsSource::User, L"BoxSync.AccessToken", L"initialaccesstoken");
    m_settings.SetString(SettingsSource::User, L"BoxSync.RefreshToken", L"initialrefreshtoken");
    m_settings.SetString(SettingsSource::User, L"BoxSync.EmailMetaDataTemplateName", L"emailProps");
}

TalvernCommon::com_ptr<ILSSyncFilter2> FilterHost::CreateFilter()
{
    CLSID clsid = GUID_NULL;
    if (FAILED(::CLSIDFromProgID(kProgId, &clsid)))
        clsid = TestSupport::FollowCurVer(kProgId).clsid;
    TalvernCommon::com_ptr<ILSSyncFilter2> filter;
    Require(SUCCEEDED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ILSSyncFilter2),
                                         filter.put_void())),
            "the Box filter could not be created");
    return filter;
}

} // namespace SyncDriver
