// The one reader of ISO 8601 date-times as servers write them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// "2024-03-01T10:20:30Z", "...+01:00", "...-0800", "...30.123Z" (fractions of a second dropped),
// "2024-03-01T10:20" and "2024-03-01" (midnight); a text without a zone is read as UTC. White
// space around the text is allowed. The result is a FILETIME count in UTC, counted in 64 bits so
// that dates past 2038 keep their value; empty for any other text and for dates before 1601.
std::optional<uint64_t> ParseIsoDateTimeUtc(std::wstring_view text);
