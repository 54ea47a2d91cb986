#include "ServerDll.h"

#include "BinFolder.h"
#include "LSModule.h"

namespace {

constexpr wchar_t kServerDll[] = L"VESKBoxSync32.dll";

template <typename Function>
void Resolve(HMODULE dll, const char* name, Function& entry)
{
    entry = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

} // namespace

testing::AssertionResult ServerDll::Load(const std::wstring& path)
{
    // COM may still hold the DLL from an earlier activation; unused, it lets go of it now.
    ::CoFreeUnusedLibrariesEx(0, 0);
    if (::GetModuleHandleW(kServerDll) != nullptr)
        return testing::AssertionFailure() << "the server DLL is still loaded: an object of an earlier test lives";
    dll.reset(::LoadLibraryW(path.empty() ? (TestSupport::BinFolder() + L"\\" + kServerDll).c_str() : path.c_str()));
    if (!dll)
        return testing::AssertionFailure() << "LoadLibrary failed with " << ::GetLastError();
    Resolve(dll.get(), "DllRegisterServer", RegisterServer);
    Resolve(dll.get(), "DllUnregisterServer", UnregisterServer);
    Resolve(dll.get(), "DllInstall", Install);
    Resolve(dll.get(), "DllGetClassObject", GetClassObject);
    Resolve(dll.get(), "DllCanUnloadNow", CanUnloadNow);
    if (!RegisterServer || !UnregisterServer || !Install || !GetClassObject || !CanUnloadNow)
        return testing::AssertionFailure() << "an entry point is missing";
    return testing::AssertionSuccess();
}

std::wstring ServerDll::Path() const { return GetModulePath(dll.get()); }

HRESULT LoadedServerCanUnloadNow()
{
    const HMODULE loaded = ::GetModuleHandleW(kServerDll);
    HRESULT(WINAPI * canUnloadNow)() = nullptr;
    if (loaded != nullptr)
        Resolve(loaded, "DllCanUnloadNow", canUnloadNow);
    return canUnloadNow != nullptr ? canUnloadNow() : S_OK;
}
