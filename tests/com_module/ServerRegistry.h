// What registration leaves in the registry, read back the way a host's installer would see it.
#pragma once

#include <windows.h>

#include <string>

// The machine's classes (HKLM\Software\Classes, which HKCR shows under Wine) or the current
// user's (HKCU\Software\Classes).
enum class ClassStore { Machine, User };

// Whether any of the class script's three roots (the two program ids, the class id) is there.
bool ClassKeysExist(ClassStore store);
// A text value under the class id's key ("InprocServer32", "ThreadingModel"); empty when absent.
std::wstring ClassValue(ClassStore store, const std::wstring& subkey, const wchar_t* name = nullptr);
// Where the server's type library is registered; empty when it is not.
std::wstring RegisteredTypeLibPath();
bool InterfaceKeyExists(ClassStore store);
// Removes whatever registration may have written, in both stores.
void RemoveServerRegistration();

// The host's type library (bin\VESKSyncBasicsLib.tlb) registered as the host's installer does;
// removed again at the end when it was not registered before.
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

// The key where registration writes the server's type library, made to refuse writes as an
// administrator's access rule would (reading stays allowed); unlocked and removed when it goes.
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
