#include "OperationsFixture.h"

namespace BoxOperations {

std::wstring Wide(const std::string& text) { return Utf8Converter().from_bytes(text); }

Json::Value OperationsTest::Seed(const std::string& json) const
{
    return standIn_.Post("seed", BoxRoad::ParseJson(json));
}

void OperationsTest::UpdateItem(const std::string& type, const std::string& id, const std::string& membersJson) const
{
    Json::Value update = BoxRoad::ParseJson(membersJson);
    update["type"] = type;
    update["id"] = id;
    standIn_.Post("item", update);
}

std::vector<std::string> OperationsTest::Queries(const std::string& route) const
{
    std::vector<std::string> queries;
    for (const Json::Value& entry : Journal(route))
        queries.push_back(entry["query"].asString());
    return queries;
}

} // namespace BoxOperations
