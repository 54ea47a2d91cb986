// What a search result's entry id names: the details the host shows and opens a result by.
#pragma once

#include "StdString.h"

#include <cstdint>

struct LSBoxOnlineSearchResultInfo {
    CStdStr<wchar_t> ItemId;
    // The Box web application's pages of the file and of its folder.
    CStdStr<wchar_t> FileUrl;
    CStdStr<wchar_t> FolderUrl;
    bool IsMessage = false;
    CStdStr<wchar_t> FileName;
    // "#filter:file|<id>/<name>"
    CStdStr<wchar_t> FilterText;
    int32_t FileSize = 0;
    CStdStr<wchar_t> Unused;
};
