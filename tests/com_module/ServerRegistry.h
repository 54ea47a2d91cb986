// What registration leaves in the registry, read back the way a host's installer would see it.
#pragma once

#include <windows.h>

#include <string>

// HKLM\Software\Classes (which HKCR shows under Wine) or HKCU\Software\Classes.
enum class ClassStore { Machine, User };

// Whether any of the two program ids and the class id is there.
bool ClassKeysExist(ClassStore store);
// A text value under the class id's key ("InprocServer32", "ThreadingModel"); empty when absent.
std::wstring ClassValue(ClassStore store, const std::wstring& subkey, const wchar_t* name = nullptr);
// Where the server's type library is registered; empty when it is not.
std::wstring RegisteredTypeLibPath();
bool InterfaceKeyExists(ClassStore store);
void RemoveServerRegistration();

// The host's type library registered as its installer does; removed at the end unless it was there.
class HostTypeLibrary {
public:
    HostTypeLibrary();
    ~HostTypeLibrary();
    HostTypeLibrary(const HostTypeLibrary&) = delete;
    HostTypeLibrary& operator=(const HostTypeLibrary&) = delete;

    HRESULT Registration() const { return m_registration; }
    void Withdraw();
    void Restore();

private:
    HRESULT m_registration = E_FAIL;
    bool m_wasRegistered = false;
};

// The server's type library key, refusing writes as an administrator's access rule would.
class LockedTypeLibKey {
public:
    LockedTypeLibKey();
    ~LockedTypeLibKey();
    LockedTypeLibKey(const LockedTypeLibKey&) = delete;
    LockedTypeLibKey& operator=(const LockedTypeLibKey&) = delete;

    bool Locked() const { return m_locked; }

private:
    bool m_locked = false;
};
