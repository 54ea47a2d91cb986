#include "BoxStandIn.h"

#include "JsonText.h"
#include "WinInetClient.h"

#include <cstdlib>
#include <stdexcept>

namespace TestSupport {
namespace {

Json::Value CheckedJson(const HttpReply& reply, const std::string& what)
{
    if (reply.status < 200 || reply.status > 299)
        throw std::runtime_error(what + " answered " + std::to_string(reply.status) + ": " + reply.body);
    return reply.body.empty() ? Json::Value() : ParseJson(reply.body, "the reply to " + what);
}

} // namespace

BoxStandIn BoxStandIn::FromEnvironment()
{
    const char* url = std::getenv("BOX_STANDIN_URL");
    if (url == nullptr || *url == '\0')
        throw std::runtime_error("BOX_STANDIN_URL is not set: run this test through run_with_standin.py");
    return BoxStandIn(url);
}

std::wstring BoxStandIn::BaseUrlWide() const { return std::wstring(m_baseUrl.begin(), m_baseUrl.end()); }

Json::Value BoxStandIn::Get(const std::string& path) const
{
    return CheckedJson(SendHttp("GET", m_baseUrl + "/_control/" + path), "GET /_control/" + path);
}

Json::Value BoxStandIn::Post(const std::string& path, const Json::Value& body) const
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    return CheckedJson(SendHttp("POST", m_baseUrl + "/_control/" + path, Json::writeString(writer, body),
                                {{"Content-Type", "application/json"}}),
                       "POST /_control/" + path);
}

void BoxStandIn::Reset() const { Post("reset"); }

Json::Value BoxStandIn::Journal() const { return Get("journal"); }

Json::Value BoxStandIn::JournalEntries(int since, const std::string& pathGlob) const
{
    std::string query = "journal?since=" + std::to_string(since);
    if (!pathGlob.empty())
        query += "&path=" + pathGlob;
    return Get(query)["entries"];
}

int BoxStandIn::JournalNext() const
{
    // An index no request has reached yet: the reply carries "next" and no entries.
    return Get("journal?since=2147483647")["next"].asInt();
}

int BoxStandIn::AddFault(const Json::Value& rule) const { return Post("faults", rule)["id"].asInt(); }

void BoxStandIn::ClearFaults() const { Post("faults/clear"); }

void BoxStandIn::SetSwitches(const Json::Value& switches) const { Post("switches", switches); }

std::string BoxStandIn::SeedPatternFile(const std::string& name, uint64_t size, int seed) const
{
    Json::Value file;
    file["name"] = name;
    file["parent_id"] = "0";
    file["pattern"]["size"] = Json::UInt64(size);
    file["pattern"]["seed"] = seed;
    Json::Value seedBody;
    seedBody["files"].append(file);
    return Post("seed", seedBody)["files"][0].asString();
}

Json::Value BoxStandIn::Item(const std::string& type, const std::string& id) const
{
    return Get("item?type=" + type + "&id=" + id);
}

} // namespace TestSupport
