// The change token of a folder listing: "<folder id>;<cutoff>;;;".
//
// The cutoff is the newest modification time (UTC, "YYYY-MM-DDTHH:MM:SSZ") that a complete
// listing of the folder saw; it is empty when that listing saw no dated file. A later listing
// of the same folder needs only the files changed from then on. The closing ";;;" tells the
// filter that nothing of the listing is left to fetch.
#pragma once

#include "StdString.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Box_20 {

// The cutoff of a token made for this folder; empty for an empty token, one of another folder
// or one that is not of this form (which all ask for a full listing).
std::optional<uint64_t> ReadChangeTokenCutoff(const std::wstring& token, const std::wstring& folderId);

CStdStr<wchar_t> MakeChangeToken(const std::wstring& folderId, std::optional<uint64_t> cutoff);

} // namespace Box_20
