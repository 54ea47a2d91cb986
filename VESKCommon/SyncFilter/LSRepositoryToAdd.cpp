#include "LSRepositoryToAdd.h"

#include "LSBaseJsonWS.h"
#include "LSDiag.h"
#include "StringUtils.h"
#include "Utf8Converter.h"

#include <json/json.h>

#include <algorithm>

namespace {

constexpr wchar_t kTab[] = L"\t";

// The host splits the text at tabs into fields, and lists of texts at line ends.
CStdStr<wchar_t> BlankSeparators(CStdStr<wchar_t> text)
{
    std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; },
                    L' ');
    return text;
}

std::string Utf8(const std::wstring& text) { return GetThreadUtf8Converter().to_bytes(text); }

CStdStr<wchar_t> Wide(const Json::Value& value) { return GetThreadUtf8Converter().from_bytes(value.asString()); }

Json::Value ListsAsJson(const LSRepositoryToAdd& record)
{
    Json::Value lists(Json::objectValue);
    for (const auto& column : record.ExtraColumns)
        lists["ExtraColumns"].append(Utf8(column));
    for (const auto& [action, data] : record.Actions) {
        Json::Value entry(Json::objectValue);
        entry["Action"] = Utf8(action);
        entry["Data"] = Utf8(data);
        lists["Actions"].append(entry);
    }
    for (const auto& [name, value] : record.ReposProps)
        lists["ReposProps"][Utf8(name)] = Utf8(value);
    return lists;
}

uint8_t FlagField(const CStdStr<wchar_t>& field) { return field == L"1" ? 1 : 0; }

void ReadLists(const CStdStr<wchar_t>& jsonText, LSRepositoryToAdd& record)
{
    const Json::Value lists = CLSBaseJsonWS::ParseJsonResponse(Utf8(jsonText));
    const Json::Value& columns = lists["ExtraColumns"];
    if (!columns.isNull()) {
        for (const Json::Value& column : columns)
            record.ExtraColumns.push_back(Wide(column));
    }
    const Json::Value& actions = lists["Actions"];
    if (!actions.isNull()) {
        for (const Json::Value& action : actions)
            record.Actions.emplace_back(Wide(action["Action"]), Wide(action["Data"]));
    }
    const Json::Value& properties = lists["ReposProps"];
    if (!properties.isNull()) {
        for (const std::string& name : properties.getMemberNames())
            record.ReposProps.emplace_back(GetThreadUtf8Converter().from_bytes(name), Wide(properties[name]));
    }
}

} // namespace

CStdStr<wchar_t> LSRepositoryToAdd::ToFilterString() const
{
    CStdStr<wchar_t> text = FormatWide(L"%s\t%s\t%s\t%s\t%s\t%u\t%u\t%u", BlankSeparators(DisplayName),
                                       BlankSeparators(Location), HasPath ? BlankSeparators(Path) : CStdStr<wchar_t>(),
                                       BlankSeparators(Field4Text), BlankSeparators(RepositoryType),
                                       unsigned{Field6Flag}, unsigned{Field7Flag}, unsigned{Field8Flag});
    if (ExtraColumns.empty() && Actions.empty() && ReposProps.empty())
        return text;
    const CStdStr<wchar_t> json = GetThreadUtf8Converter().from_bytes(Json::FastWriter().write(ListsAsJson(*this)));
    return text + kTab + BlankSeparators(json);
}

void LSRepositoryToAdd::FromFilterString(const CStdStr<wchar_t>& text)
{
    const std::vector<CStdStr<wchar_t>> fields = SplitString(text, kTab);
    if (fields.size() < 4)
        throw E_INVALIDARG;
    LSRepositoryToAdd parsed;
    parsed.DisplayName = fields[0];
    parsed.Location = fields[1];
    if (!fields[2].empty()) {
        parsed.Path = fields[2];
        parsed.HasPath = true;
    }
    parsed.Field4Text = fields[3];
    if (fields.size() >= 5)
        parsed.RepositoryType = fields[4];
    if (fields.size() >= 6)
        parsed.Field6Flag = FlagField(fields[5]);
    if (fields.size() >= 7)
        parsed.Field7Flag = FlagField(fields[6]);
    if (fields.size() >= 8)
        parsed.Field8Flag = FlagField(fields[7]);
    if (fields.size() >= 9) {
        try {
            ReadLists(fields[8], parsed);
        } catch (...) {
            LSDiag::HandleInterfaceException("LSRepositoryToAdd::FromFilterString", __FILE__, __LINE__);
        }
    }
    *this = std::move(parsed);
}
