// The sync run: the host's shutdown informer, the bracket around a run, the field-set
// information and the Outlook profile the run belongs to.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"
#include "LSOutlookInfo.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::get_pShutdownInformer(ILSShutdownInformer** informer)
{
    try {
        // A host that gives no place for the answer asks nothing: that is no error.
        if (informer == nullptr)
            return S_OK;
        return m_shutdownInformer.copy_to(informer);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::get_pShutdownInformer")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::put_pShutdownInformer(ILSShutdownInformer* informer)
{
    m_shutdownInformer = TalvernCommon::com_ptr<ILSShutdownInformer>(informer);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_StartSync(long, IUnknown* syncRun, long)
{
    try {
        m_syncRun = TalvernCommon::com_ptr<IUnknown>(syncRun);
        m_headerOnly = false;
        OnStartSync();
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_StartSync")
}

// The field-set cache is keyed by the run's objects; keeping it would keep the run alive.
HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_EndSync()
{
    try {
        OnEndSync();
        m_syncRun.reset();
        m_fieldSetCache = FieldSetCache{};
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_EndSync")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetFieldSetInfo(long, ILSVESKFieldSetInfo** fieldSetInfo)
{
    try {
        if (fieldSetInfo == nullptr)
            return E_POINTER;
        *fieldSetInfo = nullptr;
        return GetFieldSetInfoInternal(fieldSetInfo);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetFieldSetInfo")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::GetChecksDuplicatesOnAdd(VARIANT_BOOL* checks)
{
    try {
        if (checks == nullptr)
            return E_POINTER;
        *checks = CheckDuplicatesOnAdd() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::GetChecksDuplicatesOnAdd")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::UnimplementedMethod(long, long) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::ReservedDestructorSlot() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetCurrentProfileName(BSTR profileName)
{
    try {
        m_profileName = profileName != nullptr ? CStdStr<wchar_t>(profileName) : CStdStr<wchar_t>();
        LSOutlookInfo::UpdateCachedProfileName(m_profileName);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_SetCurrentProfileName")
}
