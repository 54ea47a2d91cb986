#include "LocalFolder.h"

#include "DigestHex.h"
#include "Utf8Converter.h"

#include <json/json.h>
#include <windows.h>

#include <fstream>
#include <stdexcept>

namespace SyncDriver {

namespace {

using TestHost::TestPropertyMap;

std::string Narrow(const std::wstring& text) { return WideToUtf8Lossy(text); }
std::wstring Wide(const std::string& text) { return Utf8ToWideLossy(text); }

Json::Value MapToJson(const TestPropertyMap& map)
{
    Json::Value json(Json::objectValue);
    for (const auto& [name, value] : map.Values()) {
        Json::Value& entry = json[Narrow(name)];
        if (const auto* text = std::get_if<std::wstring>(&value))
            entry["text"] = Narrow(*text);
        else if (const auto* number = std::get_if<long>(&value))
            entry["number"] = static_cast<Json::Int>(*number);
        else if (const auto* flag = std::get_if<bool>(&value))
            entry["flag"] = *flag;
        else
            entry["date"] = std::get<DATE>(value);
    }
    return json;
}

void MapFromJson(const Json::Value& json, TestPropertyMap& map)
{
    for (const std::string& name : json.getMemberNames()) {
        const Json::Value& entry = json[name];
        if (entry.isMember("text"))
            map.SetText(Wide(name), Wide(entry["text"].asString()));
        else if (entry.isMember("number"))
            map.SetNumber(Wide(name), entry["number"].asInt());
        else if (entry.isMember("flag"))
            map.SetFlag(Wide(name), entry["flag"].asBool());
        else
            map.SetDate(Wide(name), entry["date"].asDouble());
    }
}

Json::Value FolderToJson(const LocalFolder& folder)
{
    Json::Value json(Json::objectValue);
    json["props"] = MapToJson(*folder.props.get());
    Json::Value& items = json["items"] = Json::Value(Json::objectValue);
    for (const auto& [name, item] : folder.items) {
        Json::Value& entry = items[Narrow(name)];
        entry["props"] = MapToJson(*item.props.get());
        entry["size"] = static_cast<Json::UInt64>(item.stamp.size);
        entry["sha1"] = item.stamp.sha1;
        if (!item.pendingRename.empty())
            entry["pendingRename"] = Narrow(item.pendingRename);
    }
    Json::Value& folders = json["folders"] = Json::Value(Json::objectValue);
    for (const auto& [name, child] : folder.folders)
        folders[Narrow(name)] = FolderToJson(child);
    return json;
}

LocalFolder FolderFromJson(const Json::Value& json)
{
    LocalFolder folder;
    MapFromJson(json["props"], *folder.props.get());
    for (const std::string& name : json["items"].getMemberNames()) {
        const Json::Value& entry = json["items"][name];
        LocalItem& item = folder.items[Wide(name)];
        MapFromJson(entry["props"], *item.props.get());
        item.stamp = {entry["size"].asUInt64(), entry.get("sha1", "").asString()};
        item.pendingRename = Wide(entry.get("pendingRename", "").asString());
    }
    for (const std::string& name : json["folders"].getMemberNames())
        folder.folders.emplace(Wide(name), FolderFromJson(json["folders"][name]));
    return folder;
}

} // namespace

std::optional<FileStamp> StampOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    FileStamp stamp{(static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, {}};
    try {
        stamp.sha1 = TestSupport::Sha1Hex(CLSHash::GetSha1ForFile(path));
    } catch (HRESULT) {
        // Unreadable now (open elsewhere, say): a change, to be sent once it can be read.
    }
    return stamp;
}

LocalFolder NewMainFolder(const std::wstring& boxFolderId)
{
    LocalFolder folder;
    folder.props->SetText(L"Quentra.FromServerShortItemId", boxFolderId);
    folder.props->SetNumber(L"Quentra.MainFolder", 1);
    return folder;
}

std::optional<LocalFolder> LoadFolderState(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file)
        return std::nullopt;
    Json::Value json;
    std::string errors;
    if (!Json::parseFromStream(Json::CharReaderBuilder(), file, &json, &errors))
        throw std::runtime_error("unreadable sync state " + Narrow(path) + ": " + errors);
    return FolderFromJson(json);
}

void SaveFolderState(const LocalFolder& folder, const std::wstring& path)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = " ";
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << Json::writeString(builder, FolderToJson(folder));
    if (!file)
        throw std::runtime_error("cannot write sync state " + Narrow(path));
}

} // namespace SyncDriver
