#include "ServerDll.h"

#include "BinFolder.h"
#include "LSModule.h"

namespace {

using TestSupport::BinFolder;

constexpr wchar_t kServerDll[] = L"VESKBoxSync32.dll";

template <typename Function>
Function EntryPoint(HMODULE dll, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

} // namespace

testing::AssertionResult ServerDll::Load(const std::wstring& path)
{
    // COM may still hold the DLL from an earlier activation; unused, it lets go of it now.
    ::CoFreeUnusedLibrariesEx(0, 0);
    if (::GetModuleHandleW(kServerDll) != nullptr)
        return testing::AssertionFailure() << "the server DLL is still loaded: an object of an earlier test lives";
    m_dll.reset(::LoadLibraryW(path.empty() ? (BinFolder() + L"\\" + kServerDll).c_str() : path.c_str()));
    if (!m_dll)
        return testing::AssertionFailure() << "LoadLibrary failed with " << ::GetLastError();
    m_register = EntryPoint<Action>(m_dll.get(), "DllRegisterServer");
    m_unregister = EntryPoint<Action>(m_dll.get(), "DllUnregisterServer");
    m_install = EntryPoint<InstallAction>(m_dll.get(), "DllInstall");
    m_getClassObject = EntryPoint<GetClassObjectAction>(m_dll.get(), "DllGetClassObject");
    m_canUnloadNow = EntryPoint<Action>(m_dll.get(), "DllCanUnloadNow");
    if (!m_register || !m_unregister || !m_install || !m_getClassObject || !m_canUnloadNow)
        return testing::AssertionFailure() << "an entry point is missing";
    return testing::AssertionSuccess();
}

std::wstring ServerDll::Path() const { return GetModulePath(m_dll.get()); }

HRESULT LoadedServerCanUnloadNow()
{
    const HMODULE loaded = ::GetModuleHandleW(kServerDll);
    if (loaded == nullptr)
        return S_OK;
    return EntryPoint<HRESULT(WINAPI*)()>(loaded, "DllCanUnloadNow")();
}
