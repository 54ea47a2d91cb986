// The shared vocabulary: named MAPI properties, message classes and repository types.
// Inline variables, so that any static initialiser of a unit that includes this header may use them.
#pragma once

#include "ComDef.h"

namespace LSNamedProperties {
inline const _bstr_t UniqueId{L"UniqueId"};
inline const _bstr_t VersionId{L"VersionId"};
inline const _bstr_t DisplayName{L"DisplayName"};
inline const _bstr_t FileName{L"FileName"};
inline const _bstr_t Extension{L"Extension"};
inline const _bstr_t ExternalAttachmentFilename{L"ExternalAttachmentFilename"};
inline const _bstr_t RemoteFileLastModified{L"RemoteFileLastModified"};
inline const _bstr_t QuentraFromServerFileName{L"Quentra.FromServerFileName"};
inline const _bstr_t QuentraFromServerFileId{L"Quentra.FromServerFileId"};
inline const _bstr_t QuentraFromServerShortItemId{L"Quentra.FromServerShortItemId"};
inline const _bstr_t QuentraFromServerFileUrl{L"Quentra.FromServerFileUrl"};
inline const _bstr_t QuentraFromServerETag{L"Quentra.FromServerETag"};
inline const _bstr_t QuentraFromServerVersion{L"Quentra.FromServerVersion"};
inline const _bstr_t QuentraMessageIsUnchanged{L"Quentra.MessageIsUnchanged"};
inline const _bstr_t QuentraSyncIssueType{L"Quentra.SyncIssueType"};
inline const _bstr_t QuentraSyncIssueMessage{L"Quentra.SyncIssueMessage"};
inline const _bstr_t QuentraRepositoryType{L"Quentra.RepositoryType"};
inline const _bstr_t QuentraRepositoryTypeDisplayName{L"Quentra.RepositoryTypeDisplayName"};
inline const _bstr_t QuentraRepositoryLocation{L"Quentra.RepositoryLocation"};
inline const _bstr_t QuentraFolderLocation{L"Quentra.FolderLocation"};
inline const _bstr_t QuentraFolderLocationUrl{L"Quentra.FolderLocationUrl"};
inline const _bstr_t QuentraMainFolder{L"Quentra.MainFolder"};
inline const _bstr_t QuentraFormRegionClass{L"Quentra.FormRegionClass"};
inline const _bstr_t VESKDuplicateHash{L"VESK.DuplicateHash"};
inline const _bstr_t VESKRepositoryOriginalLocation{L"VESK.RepositoryOriginalLocation"};
inline const _bstr_t VESKDisableFolderCreation{L"VESK.DisableFolderCreation"};
// Uploads: what the host asks of one upload, and the conflict it may end in.
inline const _bstr_t QuentraIsContentChanged{L"Quentra.IsContentChanged"};
inline const _bstr_t VESKRenamedFilename{L"VESK.RenamedFilename"};
inline const _bstr_t VESKUrgentUpload{L"VESK.UrgentUpload"};
inline const _bstr_t VESKInterimVersionData{L"VESK.InterimVersionData"};
inline const _bstr_t QuentraRemoteChangeETag{L"Quentra.RemoteChangeETag"};
inline const _bstr_t QuentraLocalChangeInfo{L"Quentra.LocalChangeInfo"};
// Main-folder and downloaded-item properties.
inline const _bstr_t QuentraSyncDisabled{L"Quentra.SyncDisabled"};
inline const _bstr_t QuentraNoDocsAllowed{L"Quentra.NoDocsAllowed"};
inline const _bstr_t VESKPermMask2{L"VESK.PermMask2"};
inline const _bstr_t OwsPermMask{L"ows-PermMask"};
inline const _bstr_t CTInfo{L"CTInfo"};
inline const _bstr_t SPIsList{L"SPIsList"};
inline const _bstr_t VESKDocIdLib{L"VESK.DocIdLib"};
inline const _bstr_t FilterPropertyName{L"FilterPropertyName"};
inline const _bstr_t FilterPropertyValue{L"FilterPropertyValue"};
} // namespace LSNamedProperties

// The permission masks folders and items carry: every right, or read only.
namespace LSPermissionMasks {
inline constexpr wchar_t kAllRights[] = L"0x7FFFFFFFFFFFFFFF";
inline constexpr wchar_t kReadOnly[] = L"0x0000000000000001";
} // namespace LSPermissionMasks

namespace LSMessageClasses {
inline const _bstr_t VESKDoc{L"IPM.Post.VESK.Doc"};
} // namespace LSMessageClasses

namespace LSRepositoryTypes {
inline const _bstr_t Box{L"Box"};
} // namespace LSRepositoryTypes
