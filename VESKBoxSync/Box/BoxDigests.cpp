#include "BoxDigests.h"

#include <string>

namespace Box_20 {

namespace {

constexpr wchar_t kDigestPrefix[] = L"sha=";

CStdStr<wchar_t> ContentRange(const ChunkDataType& part)
{
    return L"bytes " + std::to_wstring(part.Offset) + L"-" + std::to_wstring(part.Last) + L"/" +
           std::to_wstring(part.Total);
}

} // namespace

CStdStr<wchar_t> Base64Digest(const CLSHash::Sha1Digest& digest)
{
    static constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    CStdStr<wchar_t> text;
    for (size_t i = 0; i < digest.size(); i += 3) {
        const size_t left = digest.size() - i;
        const unsigned group =
            (digest[i] << 16) | ((left > 1 ? digest[i + 1] : 0) << 8) | (left > 2 ? digest[i + 2] : 0);
        text += kAlphabet[(group >> 18) & 0x3F];
        text += kAlphabet[(group >> 12) & 0x3F];
        text += left > 1 ? kAlphabet[(group >> 6) & 0x3F] : L'=';
        text += left > 2 ? kAlphabet[group & 0x3F] : L'=';
    }
    return text;
}

CStdStr<wchar_t> HexDigest(const CLSHash::Sha1Digest& digest)
{
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    CStdStr<wchar_t> text;
    for (const BYTE byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

ChunkRequestDescription GetPartDigestHeader(const ChunkDataType& part, const CLSHash::Sha1Digest& partDigest,
                                            _variant_t body)
{
    ChunkRequestDescription description;
    description.Body = std::move(body);
    description.Digest = kDigestPrefix + Base64Digest(partDigest);
    description.ContentType = L"application/octet-stream";
    description.ContentRange = ContentRange(part);
    return description;
}

ChunkRequestDescription GetCommitDigestHeader(const CLSHash::Sha1Digest& fileDigest,
                                              const CStdStr<wchar_t>& commitBody)
{
    ChunkRequestDescription description;
    description.Body = commitBody.c_str();
    description.ContentType = L"application/json";
    description.Digest = kDigestPrefix + Base64Digest(fileDigest);
    return description;
}

} // namespace Box_20
