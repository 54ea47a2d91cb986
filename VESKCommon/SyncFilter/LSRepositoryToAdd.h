// A repository the user may add (for Box, a folder), and the one line of text in which the host
// keeps it: tab-separated fields, then optionally a JSON object with the record's lists.
#pragma once

#include "StdString.h"

#include <cstdint>
#include <utility>
#include <vector>

class LSRepositoryToAdd {
public:
    LSRepositoryToAdd() = default;

    // "name\tlocation\tpath\tfield4\ttype\tflag6\tflag7\tflag8", then "\t" and the JSON object
    // when any list is non-empty. A TAB, CR or LF inside a text field is written as a blank, so
    // that it can neither split the line nor the host's list of lines.
    CStdStr<wchar_t> ToFilterString() const;

    // Reads a filter string. Fewer than four fields throw the bare HRESULT E_INVALIDARG. A broken
    // JSON tail is logged and costs only the lists.
    void FromFilterString(const CStdStr<wchar_t>& text);

    CStdStr<wchar_t> RepositoryType;
    CStdStr<wchar_t> DisplayName;
    CStdStr<wchar_t> Location;
    CStdStr<wchar_t> Path;
    bool HasPath = false;
    // Never carried by the filter string.
    CStdStr<wchar_t> UnsentText;
    CStdStr<wchar_t> Field4Text;
    uint8_t UnsentFlag = 0;
    uint8_t Field6Flag = 0;
    uint8_t Field7Flag = 1;
    uint8_t Field8Flag = 0;
    std::vector<CStdStr<wchar_t>> ExtraColumns;
    // {Action, Data}
    std::vector<std::pair<CStdStr<wchar_t>, CStdStr<wchar_t>>> Actions;
    // {name, value}
    std::vector<std::pair<CStdStr<wchar_t>, CStdStr<wchar_t>>> ReposProps;
};
