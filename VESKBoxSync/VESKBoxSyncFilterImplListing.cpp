// The Box listing of the synchronised folder, and the ids the deletion check compares with.
#include "VESKBoxSyncFilterImpl.h"

HRESULT VESKBoxSyncFilterImpl::GetContents(ILSPropertyMap*, int) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::CheckForDeletedItems(const CStdStr<wchar_t>&, long) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::LoadServerItems(long* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return E_NOTIMPL;
}

HRESULT VESKBoxSyncFilterImpl::GetServerItemId(unsigned long, CStdStr<wchar_t>&) { return E_NOTIMPL; }
