// The request and response lines of the web-service log ("VESK.Log.WebServiceReq" and
// "VESK.Log.WebServiceResp"), always with the secrets redacted.
#pragma once

#include "ILSHttpRequest.h"

#include <string_view>

// What the request sends: method, URL, headers and the body (text bodies as text, byte bodies by
// their size). Writes only while request logging is on.
void LogHttpRequest(const ILSHttpRequest& request, const VARIANT& body);

// Status, headers and body of a completed reply. Writes only while response logging is on.
void LogHttpResponse(const ILSHttpRequest& request);

// The same for a WinINet request, whose headers travel as one CRLF-separated text. The response
// line is written whenever called: the request context carries its own response-logging switch.
void LogWinInetRequest(std::wstring_view verb, std::wstring_view url, std::wstring_view headerLines,
                       std::string_view body);
void LogWinInetResponse(std::wstring_view url, DWORD status, std::wstring_view headerLines,
                        std::string_view body);
