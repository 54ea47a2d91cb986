#include "BoxJson.h"

#include "BoxExceptions.h"
#include "LSDiag.h"

#include <windows.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

namespace Box_20 {

namespace {

// The member, or null when the value is no object (a null or array reply included), when the
// member is missing or when it is JSON null.
const Json::Value* FindMember(const Json::Value& object, const char* name)
{
    if (!object.isObject())
        return nullptr;
    const Json::Value* member = object.find(name, name + std::char_traits<char>::length(name));
    if (member == nullptr || member->isNull())
        return nullptr;
    return member;
}

// Box's texts are UTF-8; a malformed sequence still yields the rest of the text (each bad
// sequence becoming U+FFFD) instead of losing the whole value.
CStdStr<wchar_t> WideFromUtf8(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    CStdStr<wchar_t> wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

// A string member's bytes where they lie.
std::string_view StringView(const Json::Value& text)
{
    const char* begin = nullptr;
    const char* end = nullptr;
    text.getString(&begin, &end);
    return begin != nullptr ? std::string_view(begin, static_cast<size_t>(end - begin)) : std::string_view();
}

std::optional<int32_t> Int32FromText(std::string text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    const char* begin = text.data();
    if (begin[0] == '+' && text.size() > 1 && begin[1] != '-')
        ++begin;
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<int32_t> Int32FromNumber(const Json::Value& number)
{
    if (number.isInt())
        return number.asInt();
    if (!number.isDouble())
        return std::nullopt;
    const double value = std::trunc(number.asDouble());
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace

const Json::Value& MemberOrNull(const Json::Value& object, const char* name)
{
    static const Json::Value null;
    if (!object.isObject())
        return null;
    const Json::Value* member = object.find(name, name + std::char_traits<char>::length(name));
    return member != nullptr ? *member : null;
}

CStdStr<wchar_t> GetJsonString(const Json::Value& object, const char* name)
{
    const Json::Value* member = FindMember(object, name);
    if (member == nullptr || member->isObject() || member->isArray())
        return {};
    return member->isString() ? WideFromUtf8(StringView(*member)) : WideFromUtf8(member->asString());
}

int32_t GetJsonInt(const Json::Value& object, const char* name)
{
    const Json::Value* member = FindMember(object, name);
    if (member == nullptr)
        return 0;
    std::optional<int32_t> value;
    if (member->isBool())
        value = member->asBool() ? 1 : 0;
    else if (member->isNumeric())
        value = Int32FromNumber(*member);
    else if (member->isString())
        value = Int32FromText(member->asString());
    if (!value)
        LS_DIAG_LOG(1) << "Box_20::GetJsonInt: not a 32-bit number in member " << name;
    return value.value_or(0);
}

bool GetJsonBool(const Json::Value& object, const char* name)
{
    const Json::Value* member = FindMember(object, name);
    if (member == nullptr)
        return false;
    if (member->isBool())
        return member->asBool();
    if (member->isNumeric())
        return member->asDouble() != 0.0;
    if (member->isString()) {
        CStdStr<wchar_t> text = WideFromUtf8(member->asString());
        text.Trim();
        return text.Equals(L"true", false) || text == L"1";
    }
    return false;
}

OptionalDate GetJsonMember(const Json::Value& object, const char* name)
{
    if (FindMember(object, name) == nullptr) {
        LS_DIAG_LOG(1) << "Box_20::GetJsonMember: no date in member " << name;
        return {};
    }
    try {
        return {GetDateFromJsonValue(object, name), true};
    } catch (const ApiException& error) {
        LS_DIAG_LOG(1) << error.what();
        return {};
    }
}

DATE GetDateFromJsonValue(const Json::Value& object, const char* name)
{
    const Json::Value* member = FindMember(object, name);
    if (member == nullptr || !member->isString())
        throw JoinWithSpace(L"Box_20::GetDateFromJsonValue", L"no date in member " + WideFromUtf8(name));
    return FileTimeToOleDate(GetDateFromString(WideFromUtf8(StringView(*member))));
}

} // namespace Box_20
