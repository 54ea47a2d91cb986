#include "LSHttpRecordingFiles.h"

#include "HResultException.h"
#include "LSFileSystem.h"
#include "LSHttpMessageParts.h"
#include "LSHttpRedaction.h"
#include "LSSetting.h"
#include "StringUtils.h"
#include "UniqueResource.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace LSHttpRequestMocks {
namespace {

constexpr size_t kMaxPathFieldLength = 80;

std::string Utf8(std::wstring_view text) { return WideToUtf8Lossy(text); }

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    TalvernCommon::unique_hfile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), "Cannot write recording file " + Utf8(path));
}

std::wstring TrimTrailingLineBreaks(std::wstring text)
{
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n'))
        text.pop_back();
    return text;
}

RecordedResponse ParseResponseRecord(const std::string& content, const std::wstring& path)
{
    const size_t statusEnd = content.find("\r\n");
    if (statusEnd == std::string::npos)
        throw hresult_exception(E_INVALIDARG, "Recording file has no status line: " + Utf8(path));
    RecordedResponse response;
    const std::string statusLine = content.substr(0, statusEnd);
    const size_t blank = statusLine.find(' ');
    response.status = std::strtol(statusLine.c_str(), nullptr, 10);
    response.statusText = Utf8ToWideLossy(blank == std::string::npos ? "" : statusLine.substr(blank + 1));
    if (response.status < 100 || response.status > 999)
        throw hresult_exception(E_INVALIDARG, "Recording file has no valid status: " + Utf8(path));

    const size_t headStart = statusEnd + 2;
    if (content.compare(headStart, 2, "\r\n") == 0) {
        response.body = content.substr(headStart + 2);
        return response;
    }
    const size_t headEnd = content.find("\r\n\r\n", headStart);
    if (headEnd == std::string::npos)
        throw hresult_exception(E_INVALIDARG, "Recording file has no end of head: " + Utf8(path));
    response.headerLines = Utf8ToWideLossy(content.substr(headStart, headEnd - headStart));
    response.body = content.substr(headEnd + 4);
    return response;
}

} // namespace

RecordingPlace ReadRecordingPlace()
{
    const LSSetting& settings = LSSetting::GetInstance();
    RecordingPlace place;
    place.directory = settings.GetUserString(L"Mock.ILSHttpRequest.BaseRecordingDirectory", L"");
    place.name = settings.GetUserString(L"Mock.ILSHttpRequest.RecordingName", L"recording");
    if (place.directory.empty())
        throw hresult_exception(E_INVALIDARG, "Mock.ILSHttpRequest.BaseRecordingDirectory is not set");
    if (place.name.empty())
        place.name = L"recording";
    return place;
}

unsigned NextSequenceNumber(const RecordingPlace& place, MockRole role)
{
    static std::mutex lock;
    static std::map<std::wstring, unsigned> counters;
    const std::wstring key = (role == MockRole::Recorder ? L"record|" : L"playback|") + place.directory + L"|" +
                             place.name;
    std::lock_guard<std::mutex> guard(lock);
    return ++counters[key];
}

std::wstring SanitizedUrlPath(std::wstring_view url)
{
    const size_t scheme = url.find(L"://");
    const size_t hostStart = scheme == std::wstring_view::npos ? 0 : scheme + 3;
    const size_t pathStart = url.find(L'/', hostStart);
    std::wstring path = pathStart == std::wstring_view::npos ? L"" : LSHttpRedaction::RedactUrl(url.substr(pathStart + 1));
    for (wchar_t& c : path) {
        const bool keep = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                          c == L'-' || c == L'.';
        if (!keep)
            c = L'_';
    }
    return path.substr(0, kMaxPathFieldLength);
}

std::wstring RecordingFilePath(const RecordingPlace& place, unsigned sequence, RecordKind kind,
                               std::wstring_view method, std::wstring_view url)
{
    const wchar_t* format = kind == RecordKind::Request ? L"%s_%06u_req_%s_%s.txt" : L"%s_%06u_res_%s_%s.txt";
    const CStdStr<wchar_t> fileName = FormatWide(format, place.name, sequence, std::wstring(method),
                                                 SanitizedUrlPath(url));
    const bool needsSeparator = !place.directory.empty() && place.directory.back() != L'\\' &&
                                place.directory.back() != L'/';
    return place.directory + (needsSeparator ? L"\\" : L"") + fileName;
}

void WriteRequestRecord(const std::wstring& path, const ILSHttpRequest& request, const std::string& body)
{
    std::string head = Utf8(request.GetMethod() + L" " + LSHttpRedaction::RedactUrl(request.GetUrl())) + "\r\n";
    for (const auto& [name, value] : request.GetRequestHeaders())
        head += Utf8(name + L": " + LSHttpRedaction::RedactHeaderValue(name, value)) + "\r\n";
    const std::wstring contentType = FindHeader(request.GetRequestHeaders(), L"Content-Type");
    WriteFileBytes(path, head + "\r\n" + LSHttpRedaction::RedactBody(body, contentType));
}

void WriteResponseRecord(const std::wstring& path, const RecordedResponse& response)
{
    std::string head = std::to_string(response.status) + " " + Utf8(response.statusText) + "\r\n";
    const std::wstring headers = TrimTrailingLineBreaks(response.headerLines);
    if (!headers.empty())
        head += Utf8(headers) + "\r\n";
    WriteFileBytes(path, head + "\r\n" + LSHttpRedaction::RedactBody(response.body, FindHeaderLine(headers, L"Content-Type")));
}

RecordedResponse ReadResponseRecord(const std::wstring& path)
{
    const std::vector<BYTE> bytes = LSFileSystem::ReadBinaryFile(path);
    return ParseResponseRecord(std::string(bytes.begin(), bytes.end()), path);
}

} // namespace LSHttpRequestMocks
