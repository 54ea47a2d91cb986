// DLL entry points of the in-process server. The class factory and registration arrive with the
// COM module; until then the server answers as one that serves no class.
#include <windows.h>
#include <objbase.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT WINAPI DllCanUnloadNow() { return S_OK; }
HRESULT WINAPI DllRegisterServer() { return E_NOTIMPL; }
HRESULT WINAPI DllUnregisterServer() { return E_NOTIMPL; }
HRESULT WINAPI DllInstall(BOOL, LPCWSTR) { return E_NOTIMPL; }

}
