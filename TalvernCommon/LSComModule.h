// The module object of an in-process COM server: its lock count, its class table with one cached
// class factory per class, and the registration of its classes, scripts and type library.
#pragma once

#include "ComPtr.h"
#include "UniqueResource.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <vector>

class LSComModule;
class LSRegistrar;

// Makes an instance of a class (outer: the aggregating object, or null) and answers iid.
using LSCreatorFunction = HRESULT (*)(LSComModule& module, IUnknown* outer, REFIID iid, void** out) noexcept;

struct LSClassEntry {
    const CLSID* clsid;
    // The REGISTRY resource of the class's registrar script.
    UINT registryScriptId;
    LSCreatorFunction create;
};

// Registration works on the module whose instance GetModuleInstanceHandle() holds: its
// REGISTRY resources, its path and its TYPELIB resource 1.
class LSComModule {
public:
    LSComModule(UINT appIdScriptId, std::vector<LSClassEntry> classes);
    virtual ~LSComModule();
    LSComModule(const LSComModule&) = delete;
    LSComModule& operator=(const LSComModule&) = delete;

    // True when the module's critical section could not be created: the DLL must not load.
    bool InitializationFailed() const noexcept { return m_initializationFailed; }

    // Live objects, server locks and class factories held outside the module.
    void Lock() noexcept;
    void Unlock() noexcept;

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;
    // S_OK when no object, server lock or class factory holds the module, else S_FALSE.
    HRESULT CanUnloadNow() const noexcept;

    // The AppID script, then each class's script and the type library; the first failure ends it.
    HRESULT RegisterServer() noexcept;
    // Each class's script and the type library, then the AppID script.
    HRESULT UnregisterServer() noexcept;
    // commandLine "user" (any letter case) switches to per-user registration for the rest of the
    // process. A failed registration is rolled back by unregistering.
    HRESULT Install(bool install, const wchar_t* commandLine) noexcept;

    // The module that localised resources come from; this module's own until one is set. The
    // module keeps the given one loaded.
    void SetResourceInstance(TalvernCommon::unique_hmodule module) noexcept;
    HINSTANCE ResourceInstance() const noexcept;

protected:
    // Replacements every registrar script may use; the base adds "MODULE" (this module's path).
    virtual void AddCommonRGSReplacements(LSRegistrar& registrar) const;

private:
    HRESULT GetClassFactory(size_t classIndex, TalvernCommon::com_ptr<IClassFactory>& factory) noexcept;
    HRESULT RegisterClasses(const LSRegistrar& registrar) noexcept;
    HRESULT UnregisterClasses(const LSRegistrar& registrar) noexcept;
    LSRegistrar MakeRegistrar() const;

    const UINT m_appIdScriptId;
    const std::vector<LSClassEntry> m_classes;
    std::vector<TalvernCommon::com_ptr<IClassFactory>> m_factories;
    CRITICAL_SECTION m_criticalSection;
    bool m_initializationFailed;
    std::atomic<LONG> m_lockCount{0};
    std::atomic<bool> m_perUserRegistration{false};
    std::atomic<HINSTANCE> m_resourceInstance{nullptr};
    TalvernCommon::unique_hmodule m_resourceModule;
};

// Keeps the module that holds this code loaded until the process ends. For code that runs on
// threads the module does not own (a WinINet status callback): such code cannot count itself out
// safely, since COM may unload the image between its last count and its return. Throws
// hresult_exception when the module cannot be pinned.
void LSPinModuleForForeignThreads();

// One lock on the module for as long as it lives. As the first base of an object it is taken
// before the object is built and given back only after the object is gone entirely.
class LSModuleLock {
public:
    explicit LSModuleLock(LSComModule& module) noexcept : m_module(module) { m_module.Lock(); }
    ~LSModuleLock() { m_module.Unlock(); }
    LSModuleLock(const LSModuleLock&) = delete;
    LSModuleLock& operator=(const LSModuleLock&) = delete;

private:
    LSComModule& m_module;
};
