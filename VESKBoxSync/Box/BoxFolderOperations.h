// Box folders one at a time: read, probe, create, delete. A failed request throws its
// LSHttpError; a reply that is no folder throws ApiException.
#pragma once

#include "BoxRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <string>

namespace Box_20 {

// The folder's id, etag, name and permissions.
FolderRecord GetFolderInfo(const std::wstring& folderId, ILSShutdownInformer* informer);
// The same with the folder's path ("All Files/Projects/2024").
FolderRecord GetFolderInfoWithPath(const std::wstring& folderId, ILSShutdownInformer* informer);

// True when the folder's information can be read. An id that is not decimal digits, and Box and
// HTTP failures, are logged and give false; anything else (a shutdown's E_ABORT included) passes
// through.
bool VerifyFolder(const std::wstring& folderId, ILSShutdownInformer* informer);

// The new folder's id.
CStdStr<wchar_t> CreateFolder(const std::wstring& name, ILSShutdownInformer* informer,
                              const std::wstring& parentFolderId);

// Deletes the folder with everything in it.
void DeleteFolder(const std::wstring& folderId, ILSShutdownInformer* informer);

} // namespace Box_20
