// Renames of Box files and folders.
#pragma once

#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <string>

namespace Box_20 {

// Each sends {"name":"<new name>"} and checks that Box's reply carries that name. They return
// the item's id from the reply: a rename leaves the id, by which the filter knows the item, as
// it was. A reply with another name throws ApiException; a failed request its LSHttpError.
CStdStr<wchar_t> RenameFile(const std::wstring& fileId, ILSShutdownInformer* informer, const std::wstring& newName);
CStdStr<wchar_t> RenameFolder(const std::wstring& folderId, ILSShutdownInformer* informer,
                              const std::wstring& newName);

} // namespace Box_20
