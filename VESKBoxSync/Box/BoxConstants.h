// The Box client's process-wide constants: verbs, service addresses, the product's OAuth client
// and the fixed texts the filter matches on.
#pragma once

#include "StdString.h"

#include <string>

namespace Box_20 {

struct BoxConstantsType {
    CStdStr<wchar_t> VerbGet;
    CStdStr<wchar_t> VerbPut;
    CStdStr<wchar_t> VerbPost;
    CStdStr<wchar_t> VerbDelete;
    CStdStr<wchar_t> VerbOptions;

    // Scheme and host only; the composers append "/2.0" and the row's path.
    CStdStr<wchar_t> ApiBaseUrl;
    // Scheme, upload host and "/api"; the composers append "/2.0" and the row's path.
    CStdStr<wchar_t> UploadBaseUrl;
    CStdStr<wchar_t> TokenEndpointUrl;
    // The host of the sign-in page; the authorize path is appended to it.
    CStdStr<wchar_t> AccountHostUrl;

    // The page the sign-in returns to; it ends in "?" so that the code follows directly.
    CStdStr<wchar_t> RedirectUri;
    CStdStr<wchar_t> ClientId;
    CStdStr<wchar_t> ClientSecret;

    // Paths of the Box web application.
    CStdStr<wchar_t> WebFilePath;
    CStdStr<wchar_t> WebFolderPath;
    // A search text or restrict text that marks a search which must not be sent.
    CStdStr<wchar_t> InvalidSearchQuery;
};

// The setting that points every service address at a stand-in base address B on this machine:
// API base B, upload base B + "/api", token endpoint B + "/oauth2/token", account host B. B must
// name 127.0.0.1, [::1] or localhost; any other value is logged and ignored.
inline constexpr wchar_t kMockBoxServiceSetting[] = L"Mock.BoxService";

// The constants for a given override; an empty (or blank) one gives Box's own HTTPS addresses.
BoxConstantsType MakeBoxConstants(const std::wstring& mockServiceBase);

// The process's constants. They are built on first use, not at load time, so that a test that
// writes "Mock.BoxService" before its first Box call is served by its stand-in; from then on the
// setting is not read again for the life of the process.
const BoxConstantsType& BoxConstants();

} // namespace Box_20
