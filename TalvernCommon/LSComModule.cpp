#include "LSComModule.h"

#include "HResultException.h"
#include "LSClassFactory.h"
#include "LSComBoundary.h"
#include "LSModule.h"
#include "LSRegistrar.h"
#include "LSTypeLibRegistration.h"

#include <memory>

using TalvernCommon::com_ptr;

namespace {

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section) : m_section(section) { ::EnterCriticalSection(&m_section); }
    ~CriticalSectionLock() { ::LeaveCriticalSection(&m_section); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

// Registration reads its scripts in the system's ANSI code page, whatever the calling thread's
// locale; the caller gets its locale back on every path.
class SystemLocaleScope {
public:
    SystemLocaleScope() : m_saved(::GetThreadLocale()) { ::SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemLocaleScope() { ::SetThreadLocale(m_saved); }
    SystemLocaleScope(const SystemLocaleScope&) = delete;
    SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

private:
    const LCID m_saved;
};

bool IsPerUserCommand(const wchar_t* commandLine)
{
    return commandLine != nullptr && ::CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) == CSTR_EQUAL;
}

} // namespace

LSComModule::LSComModule(UINT appIdScriptId, std::vector<LSClassEntry> classes)
    : m_appIdScriptId(appIdScriptId), m_classes(std::move(classes)), m_factories(m_classes.size()),
      m_initializationFailed(!::InitializeCriticalSectionAndSpinCount(&m_criticalSection, 0))
{
}

LSComModule::~LSComModule()
{
    if (!m_initializationFailed)
        ::DeleteCriticalSection(&m_criticalSection);
}

void LSComModule::Lock() noexcept { ++m_lockCount; }

void LSComModule::Unlock() noexcept { --m_lockCount; }

HRESULT LSComModule::CanUnloadNow() const noexcept
{
    return m_lockCount == 0 ? S_OK : S_FALSE;
}

void LSPinModuleForForeignThreads()
{
    static std::atomic<bool> pinned{false};
    if (pinned)
        return;
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                              reinterpret_cast<LPCWSTR>(&LSPinModuleForForeignThreads), &module))
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), "Cannot keep the module loaded");
    pinned = true;
}

HRESULT LSComModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (m_initializationFailed)
        return E_UNEXPECTED;
    for (size_t index = 0; index < m_classes.size(); ++index) {
        if (*m_classes[index].clsid != clsid)
            continue;
        com_ptr<IClassFactory> factory;
        HRESULT hr = GetClassFactory(index, factory);
        if (SUCCEEDED(hr))
            hr = factory->QueryInterface(iid, out);
        return SUCCEEDED(hr) && *out == nullptr ? CLASS_E_CLASSNOTAVAILABLE : hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT LSComModule::GetClassFactory(size_t classIndex, com_ptr<IClassFactory>& factory) noexcept
{
    try {
        CriticalSectionLock lock(m_criticalSection);
        com_ptr<IClassFactory>& cached = m_factories[classIndex];
        if (!cached)
            cached = com_ptr<IClassFactory>(
                std::make_unique<LSClassFactory>(*this, m_classes[classIndex].create).release());
        factory = cached;
        return S_OK;
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}

void LSComModule::AddCommonRGSReplacements(LSRegistrar& registrar) const
{
    registrar.AddReplacement(L"MODULE", GetModulePath(GetModuleInstanceHandle()));
}

LSRegistrar LSComModule::MakeRegistrar() const
{
    LSRegistrar registrar(m_perUserRegistration);
    AddCommonRGSReplacements(registrar);
    return registrar;
}

HRESULT LSComModule::RegisterClasses(const LSRegistrar& registrar) noexcept
{
    const HMODULE module = GetModuleInstanceHandle();
    for (const LSClassEntry& entry : m_classes) {
        const HRESULT hr = registrar.ResourceRegister(module, entry.registryScriptId);
        if (FAILED(hr))
            return hr;
    }
    return LSTypeLibRegistration::Register(module, m_perUserRegistration);
}

HRESULT LSComModule::UnregisterClasses(const LSRegistrar& registrar) noexcept
{
    const HMODULE module = GetModuleInstanceHandle();
    for (const LSClassEntry& entry : m_classes) {
        const HRESULT hr = registrar.ResourceUnregister(module, entry.registryScriptId);
        if (FAILED(hr))
            return hr;
    }
    return LSTypeLibRegistration::Unregister(module, m_perUserRegistration);
}

HRESULT LSComModule::RegisterServer() noexcept
{
    try {
        const SystemLocaleScope locale;
        const LSRegistrar registrar = MakeRegistrar();
        HRESULT hr = registrar.ResourceRegister(GetModuleInstanceHandle(), m_appIdScriptId);
        if (SUCCEEDED(hr))
            hr = RegisterClasses(registrar);
        return hr;
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}

HRESULT LSComModule::UnregisterServer() noexcept
{
    try {
        const SystemLocaleScope locale;
        const LSRegistrar registrar = MakeRegistrar();
        HRESULT hr = UnregisterClasses(registrar);
        if (SUCCEEDED(hr))
            hr = registrar.ResourceUnregister(GetModuleInstanceHandle(), m_appIdScriptId);
        return hr;
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}

HRESULT LSComModule::Install(bool install, const wchar_t* commandLine) noexcept
{
    const SystemLocaleScope locale;
    if (IsPerUserCommand(commandLine))
        m_perUserRegistration = true;
    if (!install)
        return UnregisterServer();
    const HRESULT hr = RegisterServer();
    if (FAILED(hr))
        UnregisterServer();
    return hr;
}

void LSComModule::SetResourceInstance(TalvernCommon::unique_hmodule module) noexcept
{
    m_resourceInstance.exchange(module.get());
    m_resourceModule = std::move(module);
}

HINSTANCE LSComModule::ResourceInstance() const noexcept
{
    const HINSTANCE set = m_resourceInstance;
    return set != nullptr ? set : GetModuleInstanceHandle();
}
