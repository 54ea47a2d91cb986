// DLL entry points of the in-process server.
#include "CVESKBoxSyncModule.h"
#include "LSDiag.h"
#include "LSHostVersion.h"
#include "LSModule.h"
#include "LSResources.h"
#include "LSSetting.h"
#include "VESKBoxSyncVersion.h"

#include <windows.h>
#include <objbase.h>

#include <mutex>

namespace {

CVESKBoxSyncModule serverModule;

constexpr wchar_t kLanguageModuleName[] = L"VESKBoxSync32";

// A resource DLL that cannot be loaded stays empty, and the string loader skips it.
void AttachResources(HINSTANCE instance) noexcept
{
    // Stored first: registration and the version check rely on it whatever happens below.
    GetModuleInstanceHandle() = instance;
    try {
        LSResourceModules loaded;
        loaded.brand = LoadBrandResources({});
        loaded.common = LoadUsersCommonResources({});
        loaded.language = LSSetting::LoadLanguageDll(kLanguageModuleName);
        GetResourceModules() = std::move(loaded);
        GetStringLoadHook() = ReplaceBrandPlaceholders;
    } catch (...) {
        // Out of memory while attaching: the host's strings stay unavailable, the server works.
    }
}

void MakeLanguageModuleTheResourceInstance()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (TalvernCommon::unique_hmodule language = LSSetting::LoadLanguageDll(kLanguageModuleName))
            serverModule.SetResourceInstance(std::move(language));
    });
}

// Compared once per process: a host DLL replaced while the process runs changes nothing.
bool HostVersionMatches()
{
    static const bool matches = LSFileSystem::CheckHostVersion(GetModuleInstanceHandle());
    return matches;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    // A process that ends calls with reserved set; the other threads are gone by then.
    if (reason == DLL_PROCESS_DETACH)
        LSDiag::Detach(reserved != nullptr);
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    AttachResources(instance);
    return serverModule.InitializationFailed() ? FALSE : TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out)
{
    try {
        LSDiag::Initialize(L"VESK-BoxSync", VESK_VERSION_WIDE);
        MakeLanguageModuleTheResourceInstance();
        if (!HostVersionMatches()) {
            if (out != nullptr)
                *out = nullptr;
            return E_INVALIDARG;
        }
    } catch (...) {
        // Logged only: the request goes on as if the versions matched, and the comparison is
        // tried again on the next request.
        LSDiag::HandleInterfaceException("DllGetClassObject", __FILE__, __LINE__);
    }
    return serverModule.GetClassObject(clsid, iid, out);
}

// Once WinINet was used the module is pinned (its status callback may run on WinINet's threads
// at any time): COM may then free the library, and the image stays.
HRESULT WINAPI DllCanUnloadNow() { return serverModule.CanUnloadNow(); }

HRESULT WINAPI DllRegisterServer() { return serverModule.RegisterServer(); }

HRESULT WINAPI DllUnregisterServer() { return serverModule.UnregisterServer(); }

HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    return serverModule.Install(install != FALSE, commandLine);
}

} // extern "C"
