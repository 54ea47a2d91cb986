// Box files one at a time: existence, entity tag, deletion. A failed request throws its
// LSHttpError (the call loop has already renewed an expired token).
#pragma once

#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <string>

namespace Box_20 {

// False when Box answers 404 for the file.
bool GetFileExists(const std::wstring& fileId, ILSShutdownInformer* informer);

// The file's current "etag". A reply without one throws ApiException: no tag must not read as
// a tag that matches or differs.
CStdStr<wchar_t> GetFileETag(const std::wstring& fileId, ILSShutdownInformer* informer);

// True when the file's current "etag" differs from the known one.
bool HasChangesOnline(const std::wstring& fileId, const std::wstring& knownETag, ILSShutdownInformer* informer);

// Named after the operation of the filter's vocabulary; it is no Win32 call.
void DeleteFileW(const std::wstring& fileId, ILSShutdownInformer* informer);

} // namespace Box_20
