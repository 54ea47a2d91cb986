// The test side of the Box stand-in: its address and its control interface.
#pragma once

#include <json/json.h>

#include <string>

namespace TestSupport {

class BoxStandIn {
public:
    // The stand-in the test launcher started for this program (BOX_STANDIN_URL).
    static BoxStandIn FromEnvironment();

    explicit BoxStandIn(std::string baseUrl) : m_baseUrl(std::move(baseUrl)) {}

    const std::string& BaseUrl() const { return m_baseUrl; }
    std::wstring BaseUrlWide() const;

    // Control calls: path below /_control/, JSON in and out; a non-2xx reply throws.
    Json::Value Get(const std::string& path) const;
    Json::Value Post(const std::string& path, const Json::Value& body = Json::Value(Json::objectValue)) const;

    void Reset() const;
    Json::Value Journal() const;

private:
    std::string m_baseUrl;
};

} // namespace TestSupport
