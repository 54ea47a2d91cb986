// A plain synchronous HTTP client for test code: it talks to the Box stand-in's control interface
// without going through the product's own transport, so a fault there can't hide itself.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

struct HttpReply {
    unsigned status = 0;
    std::string body;
};

// url: absolute http://host:port/path?query. Throws std::runtime_error when no reply arrives.
HttpReply SendHttp(const std::string& method, const std::string& url, const std::string& body = {},
                   const std::vector<std::pair<std::string, std::string>>& headers = {});

} // namespace TestSupport
