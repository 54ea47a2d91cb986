// File content and the content types the system registers for file extensions.
#pragma once

#include "StdString.h"

#include <windows.h>

#include <string>
#include <vector>

namespace LSFileSystem {

// The whole file, also while other programs hold it open (a viewer, a scanner, a writer). Throws
// hresult_exception when it cannot be opened or read, and refuses a file too large for this
// process's memory (HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)).
std::vector<BYTE> ReadBinaryFile(const std::wstring& path);

// The "Content Type" value of the extension's key under HKEY_CLASSES_ROOT (".pdf" gives
// "application/pdf" where registered); empty when the key or the value is missing.
CStdStr<wchar_t> GetContentTypeForExtension(const std::wstring& extension);

} // namespace LSFileSystem
