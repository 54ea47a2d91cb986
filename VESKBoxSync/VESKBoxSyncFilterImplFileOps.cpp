// Box file operations: existence, upload, rename, create, delete.
#include "VESKBoxSyncFilterImpl.h"

HRESULT VESKBoxSyncFilterImpl::FileExistsRemote(const CStdStr<wchar_t>&, bool&, bool) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::RemoteNameExists(const CStdStr<wchar_t>&, bool&) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::CopyFileRemote(const CStdStr<wchar_t>&, const CStdStr<wchar_t>&, ILSPropertyMap*, bool,
                                              CStdStr<wchar_t>&)
{
    return E_NOTIMPL;
}

HRESULT VESKBoxSyncFilterImpl::RenameRemoteFile(CStdStr<wchar_t>&, const CStdStr<wchar_t>&) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::RenameRemoteFolder(CStdStr<wchar_t>&, const CStdStr<wchar_t>&, ILSPropertyMap*)
{
    return E_NOTIMPL;
}

HRESULT VESKBoxSyncFilterImpl::CreateDirectoryRemote(long, const CStdStr<wchar_t>&, const CStdStr<wchar_t>&,
                                                     ILSPropertyMap*, CStdStr<wchar_t>&)
{
    return E_NOTIMPL;
}

HRESULT VESKBoxSyncFilterImpl::DeleteFileRemote(const CStdStr<wchar_t>&, CStdStr<wchar_t>&) { return E_NOTIMPL; }

HRESULT VESKBoxSyncFilterImpl::DeleteFolderRemote(ILSPropertyMap*, CStdStr<wchar_t>&) { return E_NOTIMPL; }
