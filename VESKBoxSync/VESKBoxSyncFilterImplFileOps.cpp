// Box file operations: existence, upload, rename, create, delete.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxExceptions.h"
#include "BoxFileOperations.h"
#include "BoxFolderOperations.h"
#include "BoxIds.h"
#include "BoxPreflight.h"
#include "BoxRenames.h"
#include "BoxServiceTable.h"
#include "BoxUploads.h"
#include "BoxUrlBuilders.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpStatus.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"

#include <cwctype>

namespace {

void LogErrorText(const CStdStr<wchar_t>& text) { LOG(ERROR) << " " << LSDiag::LogText(text) << "\n"; }

// A remote name or location that is no Box id would put foreign text into a request address.
HRESULT RefuseNonBoxId(const char* place, const CStdStr<wchar_t>& id)
{
    LOG(ERROR) << place << ": not a Box id: \"" << LSDiag::LogText(id) << "\"";
    return E_INVALIDARG;
}

void RequireBoxId(const char* place, const CStdStr<wchar_t>& id)
{
    if (!Box_20::IsBoxId(id))
        throw hresult_exception(RefuseNonBoxId(place, id), std::string(place) + ": not a Box id: \"" +
                                                               LSDiag::LogText(id) + "\"");
}

// The common ending of the operations that change Box: a Box or HTTP failure is logged and fails
// the call; anything else goes through the interface handler. With goneIsDone an item Box no
// longer has counts as deleted.
template <class BoxCall>
HRESULT RunBoxChange(const char* method, BoxCall&& call, bool goneIsDone = false)
{
    CStdStr<wchar_t> errorText;
    try {
        call();
    } catch (const Box_20::ApiException& failure) {
        errorText = failure.GetText();
        LogErrorText(errorText);
    } catch (const LSHttpError& failure) {
        if (goneIsDone && failure.GetStatus() == LSHttpStatus::kNotFound) {
            LS_DIAG_LOG(1) << method << ": already gone on Box";
            return S_OK;
        }
        errorText = failure.FormatMessage();
        LogErrorText(errorText);
    } catch (...) {
        LSDiag::HandleInterfaceException(method, __FILE__, __LINE__, &errorText);
    }
    return errorText.empty() ? S_OK : E_FAIL;
}

HRESULT RenameWith(const char* method, CStdStr<wchar_t>& id, const CStdStr<wchar_t>& newName,
                   CStdStr<wchar_t> (*rename)(const std::wstring&, ILSShutdownInformer*, const std::wstring&),
                   ILSShutdownInformer* informer)
{
    if (!VESKBoxSyncFilterImpl::IsValidRemoteName(newName)) {
        LOG(ERROR) << " Failed to rename file. Invalid file name " << LSDiag::LogText(newName) << "\n";
        return E_FAIL;
    }
    if (!Box_20::IsBoxId(id))
        return RefuseNonBoxId(method, id);
    // Box keeps an item's id through a rename, and the id is what the item is known by.
    return RunBoxChange(method, [&] { id = rename(id, informer, newName); });
}

} // namespace

HRESULT VESKBoxSyncFilterImpl::FileExistsRemote(const CStdStr<wchar_t>& name, bool& exists, bool nameIsDocumentName)
{
    if (nameIsDocumentName) {
        exists = false;
        return S_OK;
    }
    RequireBoxId("VESKBoxSyncFilterImpl::FileExistsRemote", name);
    exists = Box_20::GetFileExists(name, m_shutdownInformer.get());
    return S_OK;
}

// Box knows files by id, so only a name made of digits can exist.
HRESULT VESKBoxSyncFilterImpl::RemoteNameExists(const CStdStr<wchar_t>& name, bool& exists)
{
    if (!Box_20::IsBoxId(name))
        return FileExistsRemote(name, exists, true);
    FileExistsRemote(name, exists, false);
    if (!exists)
        FileExistsRemote(name, exists, true);
    return S_OK;
}

bool VESKBoxSyncFilterImpl::IsValidRemoteName(const CStdStr<wchar_t>& name)
{
    constexpr size_t kMaxNameLength = 255;
    if (name.empty() || name.size() > kMaxNameLength || name == L"." || name == L".." || name[0] == L' ')
        return false;
    return std::all_of(name.begin(), name.end(), [](wchar_t c) { return std::iswprint(static_cast<wint_t>(c)) != 0; });
}

HRESULT VESKBoxSyncFilterImpl::CopyFileRemote(const CStdStr<wchar_t>& localPath, const CStdStr<wchar_t>& documentName,
                                              ILSPropertyMap* item, bool existsRemotely, CStdStr<wchar_t>& remoteName)
{
    constexpr char kMethod[] = "VESKBoxSyncFilterImpl::CopyFileRemote";
    CStdStr<wchar_t> errorText;
    try {
        m_folderLocation.Trim(L"/");
        // The ids go into request addresses: they are checked before anything is asked.
        const CStdStr<wchar_t> fileId =
            existsRemotely ? LSPropertyHelpers::getRequiredProp(item, LSNamedProperties::QuentraFromServerFileId)
                           : CStdStr<wchar_t>();
        RequireBoxId(kMethod, existsRemotely ? fileId : m_folderLocation);
        Box_20::UploadFileRecord record =
            BuildEmailMetadata(localPath, documentName, item, existsRemotely, m_folderLocation);
        record.FingerprintTemplateName = GetFingerprintMetadataTemplateName();
        record.FileId = fileId;
        ILSShutdownInformer* const informer = m_shutdownInformer.get();
        bool accepted = false;
        if (!existsRemotely) {
            accepted = Box_20::Preflight(item, record, informer, Box_20::GetServiceUrl(Box_20::ServicePreflightFile));
            if (accepted)
                remoteName = Box_20::UploadFile(informer, record);
        } else {
            accepted = Box_20::PreflightFileVersion(item, record, informer);
            if (accepted)
                remoteName = Box_20::UploadFileVersion(informer, record);
        }
        // A refused preflight recorded Box's reason on the item; nothing is on Box.
        if (!accepted)
            return E_FAIL;
    } catch (const Box_20::MultiphaseException& failure) {
        // The content is on Box: the item is linked to it, and the user sees what did not follow.
        remoteName = failure.GetFileId();
        LSPropertyHelpers::SetSyncIssue(item, L"ERRORSUCCESS", failure.GetText());
        return remoteName.empty() ? E_FAIL : S_OK;
    } catch (const Box_20::ApiException& failure) {
        LogErrorText(failure.GetText());
        MapUploadError(failure.GetText(), item);
        return E_FAIL;
    } catch (const LSHttpError& failure) {
        errorText = failure.FormatMessage();
        LogErrorText(errorText);
    } catch (...) {
        LSDiag::HandleInterfaceException(kMethod, __FILE__, __LINE__, &errorText);
    }
    if (errorText.empty())
        return S_OK;
    LSPropertyHelpers::SetSyncIssue(item, L"ERROR", errorText);
    return E_FAIL;
}

void VESKBoxSyncFilterImpl::MapUploadError(const CStdStr<wchar_t>& text, ILSPropertyMap* item)
{
    struct Mapping {
        const wchar_t* code;
        const wchar_t* type;
        const wchar_t* message;
    };
    static const Mapping kMappings[] = {
        {L"item_name_in_use", L"DUPLICATE", L"name already in use"},
        {L"access_denied_insufficient_permissions", L"ERROR", L"insufficient permission"},
        {L"storage_limit_exceeded", L"ERROR", L"storage limit exceeded"},
        {L"bad_request", L"ERROR", L"invalid / badly formed request"},
    };
    for (const Mapping& mapping : kMappings) {
        if (text.find(mapping.code) != std::wstring::npos) {
            LSPropertyHelpers::SetSyncIssue(item, mapping.type, mapping.message);
            return;
        }
    }
    LSPropertyHelpers::SetSyncIssue(item, L"ERROR", L"unknown error detected in file upload operation");
}

HRESULT VESKBoxSyncFilterImpl::RenameRemoteFile(CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& newName)
{
    return RenameWith("VESKBoxSyncFilterImpl::RenameRemoteFile", remoteName, newName, Box_20::RenameFile,
                      m_shutdownInformer.get());
}

HRESULT VESKBoxSyncFilterImpl::RenameRemoteFolder(CStdStr<wchar_t>& location, const CStdStr<wchar_t>& newName,
                                                  ILSPropertyMap*)
{
    return RenameWith("VESKBoxSyncFilterImpl::RenameRemoteFolder", location, newName, Box_20::RenameFolder,
                      m_shutdownInformer.get());
}

HRESULT VESKBoxSyncFilterImpl::CreateDirectoryRemote(long, const CStdStr<wchar_t>& parentLocation,
                                                     const CStdStr<wchar_t>& name, ILSPropertyMap*,
                                                     CStdStr<wchar_t>& newLocation)
{
    constexpr char kMethod[] = "VESKBoxSyncFilterImpl::CreateDirectoryRemote";
    if (!Box_20::IsBoxId(parentLocation))
        return RefuseNonBoxId(kMethod, parentLocation);
    return RunBoxChange(kMethod,
                        [&] { newLocation = Box_20::CreateFolder(name, m_shutdownInformer.get(), parentLocation); });
}

HRESULT VESKBoxSyncFilterImpl::DeleteFileRemote(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>&)
{
    constexpr char kMethod[] = "VESKBoxSyncFilterImpl::DeleteFileRemote";
    if (!Box_20::IsBoxId(remoteName))
        return RefuseNonBoxId(kMethod, remoteName);
    return RunBoxChange(
        kMethod, [&] { Box_20::DeleteFileW(remoteName, m_shutdownInformer.get()); }, true);
}

HRESULT VESKBoxSyncFilterImpl::DeleteFolderRemote(ILSPropertyMap* item, CStdStr<wchar_t>&)
{
    constexpr char kMethod[] = "VESKBoxSyncFilterImpl::DeleteFolderRemote";
    const CStdStr<wchar_t> location = GetFolderLocation(item);
    if (location.empty()) {
        LOG(ERROR) << "Failed to delete folder.  Cannot find folder location\n";
        return E_FAIL;
    }
    if (!Box_20::IsBoxId(location))
        return RefuseNonBoxId(kMethod, location);
    return RunBoxChange(
        kMethod, [&] { Box_20::DeleteFolder(location, m_shutdownInformer.get()); }, true);
}
