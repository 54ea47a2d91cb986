#include "BoxStandIn.h"

#include "JsonText.h"
#include "UniqueResource.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <stdexcept>

namespace TestSupport {
namespace {

using TalvernCommon::unique_hinternet;

// A plain synchronous control call, made without the product's own transport so that a fault
// there can't hide itself. A reply other than 2xx throws.
Json::Value Control(const std::string& baseUrl, const char* method, const std::string& path, const std::string& body)
{
    const std::string what = std::string(method) + " /_control/" + path;
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1; // a length without a buffer makes the part point into the URL
    if (!::InternetCrackUrlA(baseUrl.c_str(), 0, 0, &parts))
        throw std::runtime_error("cannot parse URL " + baseUrl);
    const std::string host(parts.lpszHostName, parts.dwHostNameLength);
    const unique_hinternet session(::InternetOpenA("VESK-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    const unique_hinternet connection(session ? ::InternetConnectA(session.get(), host.c_str(), parts.nPort, nullptr,
                                                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                                              : nullptr);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    const std::string target = "/_control/" + path;
    const unique_hinternet request(connection ? ::HttpOpenRequestA(connection.get(), method, target.c_str(), nullptr,
                                                                   nullptr, nullptr, flags, 0)
                                              : nullptr);
    const char headers[] = "Content-Type: application/json\r\n";
    if (!request || !::HttpSendRequestA(request.get(), headers, sizeof(headers) - 1, const_cast<char*>(body.data()),
                                        static_cast<DWORD>(body.size())))
        throw std::runtime_error(what + " got no reply (error " + std::to_string(::GetLastError()) + ")");
    DWORD status = 0;
    DWORD size = sizeof(status);
    ::HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    std::string reply;
    char buffer[16384];
    DWORD read = 0;
    while (::InternetReadFile(request.get(), buffer, sizeof(buffer), &read) && read > 0)
        reply.append(buffer, read);
    if (status < 200 || status > 299)
        throw std::runtime_error(what + " answered " + std::to_string(status) + ": " + reply);
    return reply.empty() ? Json::Value() : ParseJson(reply, "the reply to " + what);
}

} // namespace

BoxStandIn BoxStandIn::FromEnvironment()
{
    std::optional<BoxStandIn> launched = IfLaunched();
    if (!launched)
        throw std::runtime_error("BOX_STANDIN_URL is not set: run this test through run_with_standin.py");
    return std::move(*launched);
}

std::optional<BoxStandIn> BoxStandIn::IfLaunched()
{
    const char* url = std::getenv("BOX_STANDIN_URL");
    if (url == nullptr || *url == '\0')
        return std::nullopt;
    return BoxStandIn(url);
}

Json::Value BoxStandIn::Get(const std::string& path) const { return Control(m_baseUrl, "GET", path, {}); }

Json::Value BoxStandIn::Post(const std::string& path, const Json::Value& body) const
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    return Control(m_baseUrl, "POST", path, Json::writeString(writer, body));
}

Json::Value BoxStandIn::JournalEntries(int since, const std::string& pathGlob) const
{
    return Get("journal?since=" + std::to_string(since) + (pathGlob.empty() ? "" : "&path=" + pathGlob))["entries"];
}

std::string BoxStandIn::SeedPatternFile(const std::string& name, uint64_t size, int seed) const
{
    Json::Value body;
    Json::Value& file = body["files"].append(Json::Value(Json::objectValue));
    file["name"] = name;
    file["parent_id"] = "0";
    file["pattern"]["size"] = Json::UInt64(size);
    file["pattern"]["seed"] = seed;
    return Post("seed", body)["files"][0].asString();
}

} // namespace TestSupport
