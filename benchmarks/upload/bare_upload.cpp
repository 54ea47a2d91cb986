// The reference the upload benchmark holds the product to: a session upload with nothing but
// WinINet (synchronous) and CryptoAPI, each part read once into memory, hashed (its own SHA-1 and
// the whole file's), then sent whole. Prints "run <seconds> <new file's id>".
//   bare_upload BASE_URL LOCAL_PATH SIZE NAME ACCESS_TOKEN
#include <windows.h>
#include <wincrypt.h>
#include <wininet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

class Sha1 {
public:
    explicit Sha1(HCRYPTPROV provider)
    {
        if (!CryptCreateHash(provider, CALG_SHA1, 0, 0, &m_hash))
            Fail("CryptCreateHash");
    }
    ~Sha1() { CryptDestroyHash(m_hash); }
    void Add(const BYTE* bytes, DWORD count)
    {
        if (!CryptHashData(m_hash, bytes, count, 0))
            Fail("CryptHashData");
    }
    // "sha=" and the Base64 digest.
    std::string DigestHeader()
    {
        BYTE digest[20];
        DWORD size = sizeof(digest);
        if (!CryptGetHashParam(m_hash, HP_HASHVAL, digest, &size, 0))
            Fail("CryptGetHashParam");
        char text[64];
        DWORD length = sizeof(text);
        if (!CryptBinaryToStringA(digest, size, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, text, &length))
            Fail("CryptBinaryToString");
        return "digest: sha=" + std::string(text, length) + "\r\n";
    }

private:
    HCRYPTHASH m_hash = 0;
};

// The value after "name": in a JSON text, string or number, as text.
std::string Member(const std::string& json, const std::string& name, size_t from = 0)
{
    size_t at = json.find("\"" + name + "\"", from);
    if (at == std::string::npos)
        throw std::runtime_error("no " + name + " in " + json);
    at = json.find_first_not_of(" :", at + name.size() + 2);
    if (json[at] == '"')
        return json.substr(at + 1, json.find('"', at + 1) - at - 1);
    return json.substr(at, json.find_first_of(",} ", at) - at);
}

class Client {
public:
    Client(const std::wstring& token) : m_auth("Authorization: Bearer " + Narrow(token.c_str()) + "\r\n")
    {
        m_session = InternetOpenW(L"bare", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        if (!m_session)
            Fail("InternetOpen");
    }
    ~Client() { InternetCloseHandle(m_session); }

    std::string Send(const char* verb, const std::string& url, const std::string& headers, const void* body,
                     DWORD size)
    {
        URL_COMPONENTSA parts = {};
        parts.dwStructSize = sizeof(parts);
        parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
        if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts))
            Fail("InternetCrackUrl");
        const std::string host(parts.lpszHostName, parts.dwHostNameLength);
        const std::string path = std::string(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                 std::string(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        HINTERNET connection =
            InternetConnectA(m_session, host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, verb, path.c_str(), nullptr, nullptr, nullptr,
                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION, 0);
        const std::string all = m_auth + "Auth-Type: OAUTH2\r\n" + headers;
        if (!request || !HttpSendRequestA(request, all.c_str(), static_cast<DWORD>(all.size()),
                                          const_cast<void*>(body), size))
            Fail(std::string("sending ") + verb + " " + url);
        std::string reply;
        char buffer[65536];
        DWORD read = 0;
        while (InternetReadFile(request, buffer, sizeof(buffer), &read) && read != 0)
            reply.append(buffer, read);
        DWORD status = 0;
        DWORD length = sizeof(status);
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr);
        InternetCloseHandle(request);
        InternetCloseHandle(connection);
        if (status < 200 || status > 299)
            throw std::runtime_error(url + " answered " + std::to_string(status) + ": " + reply);
        return reply;
    }

private:
    std::string m_auth;
    HINTERNET m_session;
};

std::string Upload(const std::wstring& base, const std::wstring& path, uint64_t size, const std::wstring& name,
                   const std::wstring& token)
{
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        Fail("CryptAcquireContext");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("CreateFile");
    Client client(token);
    const std::string json = "Content-Type: application/json\r\n";
    const std::string sessionBody = "{\"file_name\":\"" + Narrow(name.c_str()) + "\",\"file_size\":" +
                                    std::to_string(size) + ",\"folder_id\":\"0\"}";
    const std::string session = client.Send("POST", Narrow(base.c_str()) + "/api/2.0/files/upload_sessions",
                                            json, sessionBody.data(), static_cast<DWORD>(sessionBody.size()));
    const uint64_t partSize = std::stoull(Member(session, "part_size"));
    const std::string partUrl = Member(session, "upload_part");
    const std::string commitUrl = Member(session, "commit");
    Sha1 whole(provider);
    std::vector<BYTE> part(static_cast<size_t>(partSize));
    std::string committed = "{\"parts\":[";
    for (uint64_t offset = 0; offset < size; offset += partSize) {
        const DWORD count = static_cast<DWORD>(std::min<uint64_t>(partSize, size - offset));
        DWORD read = 0;
        if (!ReadFile(file, part.data(), count, &read, nullptr) || read != count)
            Fail("ReadFile");
        Sha1 digest(provider);
        digest.Add(part.data(), count);
        whole.Add(part.data(), count);
        const std::string headers = "Content-Range: bytes " + std::to_string(offset) + "-" +
                                    std::to_string(offset + count - 1) + "/" + std::to_string(size) +
                                    "\r\nContent-Type: application/octet-stream\r\n" + digest.DigestHeader();
        const std::string reply = client.Send("PUT", partUrl, headers, part.data(), count);
        committed += std::string(offset == 0 ? "" : ",") + "{\"part_id\":\"" + Member(reply, "part_id") +
                     "\",\"offset\":" + Member(reply, "offset") + ",\"size\":" + Member(reply, "size") + "}";
    }
    committed += "]}";
    const std::string done = client.Send("POST", commitUrl, json + whole.DigestHeader(), committed.data(),
                                         static_cast<DWORD>(committed.size()));
    CloseHandle(file);
    CryptReleaseContext(provider, 0);
    return Member(done, "id", done.find("\"entries\""));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: bare_upload BASE_URL LOCAL_PATH SIZE NAME ACCESS_TOKEN\n");
        return 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        const std::string id = Upload(argv[1], argv[2], std::wcstoull(argv[3], nullptr, 10), argv[4], argv[5]);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("run %.3f %s\n", seconds.count(), id.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bare_upload: %s\n", error.what());
        return 1;
    }
}
