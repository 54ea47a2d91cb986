#include "LSHttpRedaction.h"

#include "StdString.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace LSHttpRedaction {
namespace {

constexpr std::array<std::string_view, 4> kSecretFormFields = {"access_token", "refresh_token", "client_secret",
                                                               "code"};
constexpr std::array<std::string_view, 3> kSecretJsonMembers = {"access_token", "refresh_token",
                                                                "client_secret"};

template <typename CharT>
bool IsSecretFormField(std::basic_string_view<CharT> name)
{
    for (std::string_view secret : kSecretFormFields) {
        if (std::equal(name.begin(), name.end(), secret.begin(), secret.end(),
                       [](CharT a, char b) { return a == static_cast<CharT>(b); }))
            return true;
    }
    return false;
}

template <typename CharT>
std::basic_string<CharT> RedactFields(std::basic_string_view<CharT> form)
{
    const std::basic_string<CharT> redacted(std::begin(kRedactedValue), std::end(kRedactedValue) - 1);
    std::basic_string<CharT> result;
    size_t start = 0;
    for (;;) {
        const size_t end = form.find(CharT('&'), start);
        const auto field = form.substr(start, end == form.npos ? form.npos : end - start);
        const size_t equals = field.find(CharT('='));
        if (equals != field.npos && IsSecretFormField(field.substr(0, equals)))
            result += std::basic_string<CharT>(field.substr(0, equals + 1)) + redacted;
        else
            result += field;
        if (end == form.npos)
            return result;
        result += CharT('&');
        start = end + 1;
    }
}

size_t SkipJsonSpace(std::string_view json, size_t at)
{
    while (at < json.size() && (json[at] == ' ' || json[at] == '\t' || json[at] == '\r' || json[at] == '\n'))
        ++at;
    return at;
}

// Position of the closing quotation mark of the string whose content starts at `at`.
size_t FindJsonStringEnd(std::string_view json, size_t at)
{
    while (at < json.size() && json[at] != '"')
        at += json[at] == '\\' ? 2 : 1;
    return at < json.size() ? at : std::string_view::npos;
}

void RedactJsonMember(std::string& json, std::string_view member)
{
    const std::string key = "\"" + std::string(member) + "\"";
    for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
        size_t colon = SkipJsonSpace(json, at + key.size());
        if (colon >= json.size() || json[colon] != ':')
            continue;
        const size_t open = SkipJsonSpace(json, colon + 1);
        if (open >= json.size() || json[open] != '"')
            continue;
        const size_t close = FindJsonStringEnd(json, open + 1);
        if (close == std::string_view::npos)
            continue;
        json.replace(open + 1, close - open - 1, kRedactedValue);
    }
}

} // namespace

std::wstring RedactHeaderValue(std::wstring_view name, std::wstring_view value)
{
    if (!CStdStr<wchar_t>(std::wstring(name)).Equals(L"Authorization", false))
        return std::wstring(value);
    const size_t schemeEnd = value.find(L' ');
    const std::wstring redacted(std::begin(kRedactedValue), std::end(kRedactedValue) - 1);
    return schemeEnd == std::wstring_view::npos ? redacted
                                                : std::wstring(value.substr(0, schemeEnd + 1)) + redacted;
}

std::wstring RedactHeaderLines(std::wstring_view lines)
{
    std::wstring result;
    size_t start = 0;
    while (start < lines.size()) {
        size_t end = lines.find(L"\r\n", start);
        const size_t lineEnd = end == std::wstring_view::npos ? lines.size() : end;
        const std::wstring_view line = lines.substr(start, lineEnd - start);
        const size_t colon = line.find(L':');
        if (colon == std::wstring_view::npos) {
            result += line;
        } else {
            const size_t valueStart = line.find_first_not_of(L' ', colon + 1);
            const std::wstring_view value =
                valueStart == std::wstring_view::npos ? std::wstring_view() : line.substr(valueStart);
            result += std::wstring(line.substr(0, colon)) + L": " + RedactHeaderValue(line.substr(0, colon), value);
        }
        if (end == std::wstring_view::npos)
            break;
        result += L"\r\n";
        start = end + 2;
    }
    return result;
}

std::string RedactFormFields(std::string_view form) { return RedactFields(form); }

std::string RedactJsonMembers(std::string_view json)
{
    std::string result(json);
    for (std::string_view member : kSecretJsonMembers)
        RedactJsonMember(result, member);
    return result;
}

std::string RedactBody(std::string_view body, std::wstring_view contentType)
{
    const std::string redacted = RedactJsonMembers(body);
    const bool isForm = CStdStr<wchar_t>(std::wstring(contentType)).ToLower().find(L"x-www-form-urlencoded") !=
                        std::wstring::npos;
    return isForm ? RedactFormFields(redacted) : redacted;
}

std::wstring RedactUrl(std::wstring_view url)
{
    const size_t query = url.find(L'?');
    if (query == std::wstring_view::npos)
        return std::wstring(url);
    return std::wstring(url.substr(0, query + 1)) + RedactFields(url.substr(query + 1));
}

} // namespace LSHttpRedaction
