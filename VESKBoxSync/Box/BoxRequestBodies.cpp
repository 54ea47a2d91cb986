#include "BoxRequestBodies.h"

#include "ByteArrays.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSJsonText.h"
#include "Utf8Converter.h"

#include <json/value.h>
#include <json/writer.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace Box_20 {

namespace {

constexpr wchar_t kBoundaryLine[] = L"------DavEdovuzeroUploadFile75840BFS674RW896E4F9";
constexpr wchar_t kCrLf[] = L"\r\n";
constexpr wchar_t kDefaultPartContentType[] = L"application/octet-stream";

std::string Utf8(const std::wstring& text)
{
    try {
        return GetThreadUtf8Converter().to_bytes(text);
    } catch (const std::range_error&) {
        throw hresult_exception(E_INVALIDARG, "Box_20 request body: text is not valid Unicode");
    }
}

CStdStr<wchar_t> WideFromUtf8(const std::string& utf8)
{
    return GetThreadUtf8Converter().from_bytes(utf8);
}

CStdStr<wchar_t> WriteJson(const Json::Value& value)
{
    return WideFromUtf8(Json::FastWriter().write(value));
}

CStdStr<wchar_t> NameAndParentJson(const std::wstring& name, const std::wstring& parentFolderId)
{
    return L"{\"name\":" + QuoteJsonString(name) + L",\"parent\":{\"id\":" + QuoteJsonString(parentFolderId) +
           L"}}\n";
}

// A quotation mark or a line break in a name would end the header or the quoted string early;
// they are written as browsers write them in form data.
CStdStr<wchar_t> QuotedPartFileName(const std::wstring& name)
{
    CStdStr<wchar_t> quoted = L"\"";
    for (const wchar_t c : name) {
        switch (c) {
        case L'"': quoted += L"%22"; break;
        case L'\r': quoted += L"%0D"; break;
        case L'\n': quoted += L"%0A"; break;
        default: quoted += c;
        }
    }
    quoted += L'"';
    return quoted;
}

_variant_t ByteArrayVariant(const std::vector<std::pair<const BYTE*, size_t>>& pieces)
{
    uint64_t total = 0;
    for (const auto& piece : pieces)
        total += piece.second;
    TalvernCommon::unique_safearray array = TalvernCommon::CreateByteArray(total, "Box_20 request body");
    {
        const TalvernCommon::SafeArrayData data(array.get());
        BYTE* out = data.Bytes();
        for (const auto& piece : pieces) {
            if (piece.second != 0)
                std::memcpy(out, piece.first, piece.second);
            out += piece.second;
        }
    }
    return TalvernCommon::ByteArrayVariant(std::move(array));
}

// "yyyy-mm-ddThh:mm:ss.000Z" between quotation marks; empty when the date has no calendar form.
CStdStr<wchar_t> EmailDateJson(DATE date)
{
    SYSTEMTIME time{};
    if (!::VariantTimeToSystemTime(date, &time))
        return {};
    char text[40];
    std::snprintf(text, sizeof(text), "\"%hu-%.2hu-%.2huT%.2hu:%.2hu:%.2hu.000Z\"", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return WideFromUtf8(text);
}

void AppendEmailDate(JsonMemberList& members, const wchar_t* name, const OptionalDate& date)
{
    if (!date.Valid)
        return;
    CStdStr<wchar_t> value = EmailDateJson(date.Date);
    if (value.empty()) {
        LOG(ERROR) << "Box_20::BuildEmailPropsJson: " << LSDiag::LogText(name) << " date " << date.Date
                   << " has no calendar form; left out";
        return;
    }
    members.emplace_back(name, std::move(value));
}

} // namespace

CStdStr<wchar_t> BuildCreateFolderJson(const std::wstring& folderName, const std::wstring& parentFolderId)
{
    return NameAndParentJson(folderName, parentFolderId);
}

CStdStr<wchar_t> BuildUploadAttributesJson(const UploadFileRecord& record)
{
    return NameAndParentJson(record.Name, record.ParentFolderId);
}

CStdStr<wchar_t> BuildMultipartPartHeader(const UploadFileRecord& record)
{
    return CStdStr<wchar_t>(L"Content-Type: ") +
           (record.ContentType.empty() ? CStdStr<wchar_t>(kDefaultPartContentType) : record.ContentType);
}

void BuildMultipartUploadBody(UploadFileRecord& record)
{
    CStdStr<wchar_t> prefix;
    prefix += kBoundaryLine;
    prefix += kCrLf;
    prefix += L"Content-Disposition: form-data; name=\"attributes\"";
    prefix += kCrLf;
    prefix += kCrLf;
    prefix += BuildUploadAttributesJson(record);
    prefix += kCrLf;
    prefix += kBoundaryLine;
    prefix += kCrLf;
    prefix += L"Content-Disposition: form-data; name=\"file\"; filename=" + QuotedPartFileName(record.Name);
    prefix += kCrLf;
    prefix += BuildMultipartPartHeader(record);
    prefix += kCrLf;
    prefix += kCrLf;
    record.MultipartPrefix = std::move(prefix);
    record.MultipartSuffix = CStdStr<wchar_t>(kCrLf) + kBoundaryLine + L"--" + kCrLf;
}

_variant_t BuildMultipartVariant(const UploadFileRecord& record)
{
    const size_t available = record.Content ? record.Content->size() : 0;
    if (record.Size > available)
        throw hresult_exception(E_INVALIDARG, "Box_20::BuildMultipartVariant content holds fewer bytes than the file size");
    const std::string prefix = Utf8(record.MultipartPrefix);
    // The suffix is plain ASCII.
    const std::string suffix(record.MultipartSuffix.begin(), record.MultipartSuffix.end());
    const BYTE* content = record.Content ? record.Content->data() : nullptr;
    return ByteArrayVariant({{reinterpret_cast<const BYTE*>(prefix.data()), prefix.size()},
                             {content, static_cast<size_t>(record.Size)},
                             {reinterpret_cast<const BYTE*>(suffix.data()), suffix.size()}});
}

_variant_t MakeByteArrayVariant(int64_t count, SharedByteBuffer bytes)
{
    const size_t available = bytes ? bytes->size() : 0;
    if (count < 0 || static_cast<uint64_t>(count) > available)
        throw hresult_exception(E_INVALIDARG, "Box_20::MakeByteArrayVariant count outside the buffer");
    return ByteArrayVariant({{bytes ? bytes->data() : nullptr, static_cast<size_t>(count)}});
}

CStdStr<wchar_t> BuildEmailPropsJson(const std::shared_ptr<EMailCustomPropsRec>& emailProps)
{
    if (!emailProps)
        throw hresult_exception(E_INVALIDARG, "Box_20::BuildEmailPropsJson without e-mail properties");
    const EMailCustomPropsRec& props = *emailProps;
    JsonMemberList members = {
        {L"bcc", QuoteJsonString(props.Bcc)},
        {L"cc", QuoteJsonString(props.Cc)},
        {L"conversationid", QuoteJsonString(props.ConversationId)},
        {L"conversationindex", QuoteJsonString(props.ConversationIndex)},
        {L"conversationtopic", QuoteJsonString(props.ConversationTopic)},
        {L"from", QuoteJsonString(props.From)},
        {L"hasattachments", props.HasAttachments != 0 ? L"1" : L"0"},
        {L"internetmessageid", QuoteJsonString(props.InternetMessageId)},
    };
    AppendEmailDate(members, L"received", props.Received);
    AppendEmailDate(members, L"sent", props.Sent);
    members.emplace_back(L"subject", QuoteJsonString(props.Subject));
    members.emplace_back(L"to", QuoteJsonString(props.To));
    return BuildJsonObjectText(members);
}

CStdStr<wchar_t> BuildFingerprintJson(const std::wstring& fingerprint)
{
    Json::Value body(Json::objectValue);
    body["fingerprint"] = Utf8(fingerprint);
    return WriteJson(body);
}

CStdStr<wchar_t> BuildFingerprintPatchJson(const std::wstring& fingerprint)
{
    Json::Value operation(Json::objectValue);
    operation["op"] = "replace";
    operation["path"] = "/fingerprint";
    operation["value"] = Utf8(fingerprint);
    Json::Value patch(Json::arrayValue);
    patch.append(operation);
    return WriteJson(patch);
}

CStdStr<wchar_t> BuildCommitPartsJson(const std::vector<UploadPartRecord>& parts)
{
    Json::Value list(Json::arrayValue);
    for (const UploadPartRecord& part : parts) {
        Json::Value entry(Json::objectValue);
        entry["offset"] = static_cast<Json::Int64>(part.Offset);
        entry["part_id"] = Utf8(part.PartId);
        entry["size"] = static_cast<Json::Int64>(part.Size);
        list.append(entry);
    }
    Json::Value body(Json::objectValue);
    body["parts"] = list;
    return WriteJson(body);
}

CStdStr<wchar_t> BuildLockJson()
{
    // Box requires "access":"lock"; a lock without "expires_at" never expires.
    Json::Value lock(Json::objectValue);
    lock["access"] = "lock";
    lock["is_download_prevented"] = true;
    Json::Value body(Json::objectValue);
    body["lock"] = lock;
    return WriteJson(body);
}

CStdStr<wchar_t> BuildPreflightJson(const std::wstring& name, const std::wstring& parentFolderId, uint64_t size)
{
    // Box names the size "size"; a body with "file_size" would preflight a file of no size.
    return L"{\"name\":" + QuoteJsonString(name) + L",\"parent\":{\"id\":" + QuoteJsonString(parentFolderId) +
           L"},\"size\":" + std::to_wstring(size) + L"}";
}

CStdStr<wchar_t> BuildRenameJson(const std::wstring& newName)
{
    return L"{\"name\":" + QuoteJsonString(newName) + L"}\n";
}

CStdStr<wchar_t> BuildUploadSessionJson(const std::wstring& fileName, uint64_t size,
                                        const std::wstring& parentFolderId)
{
    return L"{\"file_name\":" + QuoteJsonString(fileName) + L",\"file_size\":" + std::to_wstring(size) +
           L",\"folder_id\":" + QuoteJsonString(parentFolderId) + L"}";
}

CStdStr<wchar_t> BuildVersionUploadSessionJson(const std::wstring& fileName, uint64_t size)
{
    return L"{\"file_name\":" + QuoteJsonString(fileName) + L",\"file_size\":" + std::to_wstring(size) + L"}";
}

} // namespace Box_20
