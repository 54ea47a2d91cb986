// The test side of the Box stand-in: its address and its control interface.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>

namespace TestSupport {

class BoxStandIn {
public:
    // The stand-in the test launcher started for this program (BOX_STANDIN_URL).
    static BoxStandIn FromEnvironment();
    // The same, or none when the launcher started none.
    static std::optional<BoxStandIn> IfLaunched();

    explicit BoxStandIn(std::string baseUrl) : m_baseUrl(std::move(baseUrl)) {}

    const std::string& BaseUrl() const { return m_baseUrl; }
    std::wstring BaseUrlWide() const { return std::wstring(m_baseUrl.begin(), m_baseUrl.end()); }

    // Control calls: path below /_control/, JSON in and out; a non-2xx reply throws.
    Json::Value Get(const std::string& path) const;
    Json::Value Post(const std::string& path, const Json::Value& body = Json::Value(Json::objectValue)) const;

    void Reset() const { Post("reset"); }
    // Ends, unanswered, every API request the stand-in holds and waits until none is handled:
    // {"in_flight": handled when called, "still_in_flight": still handled after the wait}.
    Json::Value Settle() const { return Post("settle"); }
    Json::Value Journal() const { return Get("journal"); }

    // Journal entries from index `since` on whose decoded path matches the glob, if one is given;
    // JournalNext() is the index the next request will get.
    Json::Value JournalEntries(int since = 0, const std::string& pathGlob = std::string()) const;
    int JournalNext() const { return Get("journal?since=2147483647")["next"].asInt(); }

    // A fault rule ({"method", "path", "replies"} or one reply inline); returns its id.
    int AddFault(const Json::Value& rule) const { return Post("faults", rule)["id"].asInt(); }
    void ClearFaults() const { Post("faults/clear"); }

    void SetSwitches(const Json::Value& switches) const { Post("switches", switches); }

    // A file in the root folder whose byte i is (31*i + 17*seed + (i >> 16)) mod 256; its id.
    std::string SeedPatternFile(const std::string& name, uint64_t size, int seed) const;
    // The control view of an item ("size", "sha1", ...).
    Json::Value Item(const std::string& type, const std::string& id) const
    {
        return Get("item?type=" + type + "&id=" + id);
    }

private:
    std::string m_baseUrl;
};

} // namespace TestSupport
