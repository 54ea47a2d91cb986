// The class factory of one class of a module's class table.
#pragma once

#include "LSComModule.h"

#include <windows.h>
#include <unknwn.h>

// The module caches one reference to each factory it hands out. Every further reference (a
// client holding the factory) locks the module, so that the DLL stays loaded while one exists.
class LSClassFactory final : public IClassFactory {
public:
    LSClassFactory(LSComModule& module, LSCreatorFunction create) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Aggregation is only possible through IUnknown: CLASS_E_NOAGGREGATION for any other iid.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    LSComModule& m_module;
    const LSCreatorFunction m_create;
    LONG m_references = 0;
};
