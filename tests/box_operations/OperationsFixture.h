// The fixture of the Box operation tests: the Box road fixture (stand-in reset per test, client
// pointed at it, tokens seeded, every journaled request checked against Box's API description)
// with helpers to seed the stand-in's store and read what the client sent.
#pragma once

#include "BoxRoadFixture.h"

#include "BoxListingRecords.h"
#include "BoxRecords.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <string>
#include <vector>

namespace BoxOperations {

// The stand-in's default enterprise and the templates the tests keep metadata in.
inline constexpr wchar_t kEmailTemplate[] = L"mailProps";
inline Box_20::MetadataScopeRecord FullScope() { return {L"1234567", kEmailTemplate, L"fingerprints"}; }

std::wstring Wide(const std::string& text);

class OperationsTest : public BoxRoad::BoxRoadTest {
protected:
    // POST /_control/seed with the JSON text; the ids it created.
    Json::Value Seed(const std::string& json) const;
    // Changes members of an item through the control interface.
    void UpdateItem(const std::string& type, const std::string& id, const std::string& membersJson) const;

    // The raw queries of this test's requests on one route ("GET /2.0/folders/{folder_id}/items").
    std::vector<std::string> Queries(const std::string& route) const;
};

} // namespace BoxOperations
