// Secrets never reach a log line or a recording: the credentials of a request or a token reply
// are replaced by kRedactedValue wherever the web-service layer writes traffic down.
#pragma once

#include <string>
#include <string_view>

namespace LSHttpRedaction {

constexpr char kRedactedValue[] = "[redacted]";

// The "Authorization" value loses everything after its scheme ("Bearer [redacted]"); other
// headers pass unchanged. Names compare without regard to case.
std::wstring RedactHeaderValue(std::wstring_view name, std::wstring_view value);

// CRLF-separated "Name: value" lines, each through RedactHeaderValue.
std::wstring RedactHeaderLines(std::wstring_view lines);

// URL-encoded form fields access_token, refresh_token, client_secret and code get the
// redacted value; the other fields and the field order stay.
std::string RedactFormFields(std::string_view form);

// The string values of the JSON members access_token, refresh_token and client_secret, found
// as text so that the rest of the reply stays byte for byte. A member "code" stays: in JSON
// replies it is Box's error code, which diagnosis needs; the authorization code only ever
// travels as a form field.
std::string RedactJsonMembers(std::string_view json);

// A body as logged or recorded: JSON members always, form fields when the content type is a
// URL-encoded form.
std::string RedactBody(std::string_view body, std::wstring_view contentType);

// The query of a URL, as form fields.
std::wstring RedactUrl(std::wstring_view url);

} // namespace LSHttpRedaction
