// The sync run: the host's shutdown informer, the bracket around a run, the field-set
// information and the Outlook profile the run belongs to.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::get_pShutdownInformer(ILSShutdownInformer** informer)
{
    try {
        return m_shutdownInformer.copy_to(informer);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::get_pShutdownInformer")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::put_pShutdownInformer(ILSShutdownInformer* informer)
{
    m_shutdownInformer = TalvernCommon::com_ptr<ILSShutdownInformer>(informer);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_StartSync(long, IUnknown*, long)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_EndSync()
{
    return E_NOTIMPL;
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

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetCurrentProfileName(BSTR)
{
    return E_NOTIMPL;
}
