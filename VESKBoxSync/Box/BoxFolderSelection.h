// What the filter needs when the user picks a Box folder: the ids in a Box web address, and the
// test of a folder name against the exclusion patterns of the settings.
#pragma once

#include "StdString.h"

#include <regex>
#include <string>
#include <vector>

namespace Box_20 {

struct BoxFolderReference {
    CStdStr<wchar_t> FolderId;
    // Empty unless the address selects a file.
    CStdStr<wchar_t> FileId;
};

// The ids in an address of the Box web application (applicationUrl + "/folder/" + id, optionally
// followed by "#filter:file|" + file id), or in a bare id of letters and digits. Anything else
// throws ApiException "Invalid Url " + the address.
BoxFolderReference GetIdFromBoxUrl(const std::wstring& applicationUrl, std::wstring address);

// True when any pattern matches anywhere in the name.
bool MatchesAnyRegex(const std::wstring& name, const std::vector<std::wregex>& patterns);

} // namespace Box_20
