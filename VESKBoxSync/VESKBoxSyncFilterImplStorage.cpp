// The remaining Box storage operations: constants, look-ups into the listing, web links,
// permissions and the start point given as a Box web address.
#include "VESKBoxSyncFilterImpl.h"

#include "HResultException.h"
#include "LSNamedProperties.h"

HRESULT VESKBoxSyncFilterImpl::PrepareSyncStartPoint(CStdStr<wchar_t>&, CStdStr<wchar_t>&) { return S_OK; }

// Box dates arrive as OLE dates with the listing; there is no date text to parse.
bool VESKBoxSyncFilterImpl::ParseRemoteDateTime(const CStdStr<wchar_t>&, SYSTEMTIME&) { return false; }

HRESULT VESKBoxSyncFilterImpl::isItemReadOnly(const CStdStr<wchar_t>&, bool&, CStdStr<wchar_t>&) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::FindFileInFileList(const CStdStr<wchar_t>&, CStdStr<wchar_t>&) { return E_NOTIMPL; }

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetRemoteItemId(unsigned) const
{
    throw hresult_exception(E_NOTIMPL, "VESKBoxSyncFilterImpl::GetRemoteItemId is not available yet");
}

int VESKBoxSyncFilterImpl::GetRemoteVersion(unsigned) const
{
    throw hresult_exception(E_NOTIMPL, "VESKBoxSyncFilterImpl::GetRemoteVersion is not available yet");
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetSubFolderKey(unsigned) const
{
    throw hresult_exception(E_NOTIMPL, "VESKBoxSyncFilterImpl::GetSubFolderKey is not available yet");
}

HRESULT VESKBoxSyncFilterImpl::SetFilterSubFolderProperties(unsigned short, ILSPropertyMap*) { return E_NOTIMPL; }

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetPathSeparator() const { return L"/"; }

HRESULT VESKBoxSyncFilterImpl::OnEndSync() { return S_OK; }

HRESULT VESKBoxSyncFilterImpl::OnStartSync() { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::ResolveFolderFromUrl(CStdStr<wchar_t>&) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::GetFolderUrl(const CStdStr<wchar_t>&, CStdStr<wchar_t>&, int) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::GetFileUrl(const CStdStr<wchar_t>&, CStdStr<wchar_t>&, int) { return E_NOTIMPL; }

// Box knows files by id, and its ETags identify content.
bool VESKBoxSyncFilterImpl::UsesFileIdKey() const { return true; }

bool VESKBoxSyncFilterImpl::UsesRemoteETag() const { return true; }

// A Box start point is listed by the next folder update anyway.
bool VESKBoxSyncFilterImpl::CanSkipStartPointListing(ILSPropertyMap*) const { return true; }

bool VESKBoxSyncFilterImpl::SetCheckoutUserProperty(unsigned short, ILSPropertyMap*)
{
    throw hresult_exception(E_NOTIMPL, "VESKBoxSyncFilterImpl::SetCheckoutUserProperty is not available yet");
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetKeyPropertyName() const
{
    return static_cast<const wchar_t*>(LSNamedProperties::QuentraFromServerFileId);
}
