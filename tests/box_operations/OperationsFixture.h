// The Box road fixture with helpers to seed the stand-in's store and read what the client sent.
#pragma once

#include "BoxRoadFixture.h"

#include "BoxListingRecords.h"
#include "Utf8Converter.h"

#include <string>
#include <vector>

namespace BoxOperations {

// The stand-in's default enterprise and the templates the tests keep metadata in.
inline constexpr wchar_t kEmailTemplate[] = L"mailProps";
inline Box_20::MetadataScopeRecord FullScope() { return {L"1234567", kEmailTemplate, L"fingerprints"}; }

inline std::wstring Wide(const std::string& text) { return GetThreadUtf8Converter().from_bytes(text); }

class OperationsTest : public BoxRoad::BoxRoadTest {
protected:
    // The ids the seed created.
    Json::Value Seed(const std::string& json) const { return standIn_.Post("seed", BoxRoad::ParseJson(json)); }
    void UpdateItem(const std::string& type, const std::string& id, const std::string& membersJson) const
    {
        Json::Value update = BoxRoad::ParseJson(membersJson);
        update["type"] = type;
        update["id"] = id;
        standIn_.Post("item", update);
    }
    // The raw queries of this test's requests on one route ("GET /2.0/folders/{folder_id}/items").
    std::vector<std::string> Queries(const std::string& route) const
    {
        std::vector<std::string> queries;
        for (const Json::Value& entry : Journal(route))
            queries.push_back(entry["query"].asString());
        return queries;
    }
};

} // namespace BoxOperations
