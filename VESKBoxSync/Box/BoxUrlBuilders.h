// Full Box request addresses and the OAuth form bodies, composed from the service table.
//
// Placeholders are filled in one pass over the template: an inserted value is never searched for
// placeholders again. Ids that go into paths ("[FILE_ID]", "[FOLDER_ID]", "[SESSION_ID]") must be
// decimal digits, and the builders percent-encode every value that user or host supplied, so a
// search for "R&D" or "50% off" reaches Box as that text. Bad ids and service numbers throw
// hresult_exception E_INVALIDARG before any address exists.
#pragma once

#include "StdString.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Box_20 {

// Placeholder (brackets included) to value, filled in ascending order of the placeholder.
using PlaceholderMap = std::map<std::wstring, std::wstring>;

// A search bound that may be absent.
struct OptionalSize {
    int64_t Value = 0;
    bool Present = false;
};

// What a file search asks for.
struct FileSearchParameters {
    CStdStr<wchar_t> SearchText;
    // Bounds in the service's date-time form.
    CStdStr<wchar_t> LowerDate;
    CStdStr<wchar_t> UpperDate;
    bool HasDateRange = false;
    OptionalSize SmallestSize;
    OptionalSize LargestSize;
    std::vector<CStdStr<wchar_t>> FileExtensions;
    // {field key, value} of the e-mail metadata template; a later key replaces an earlier one.
    std::vector<std::pair<CStdStr<wchar_t>, CStdStr<wchar_t>>> MetadataFilters;
    bool HasAttachments = false;
};

// Composers: API base + "/2.0" + row (rows above 39 throw "Invalid service").
CStdStr<wchar_t> GetServiceUrl(unsigned service);
CStdStr<wchar_t> GetServiceUrlWithParams(unsigned service, const PlaceholderMap& params);
// Upload base + "/2.0" + row, placeholders filled.
CStdStr<wchar_t> GetUploadServiceUrl(unsigned service, const PlaceholderMap& params);

// Builders, one per kind of request.
CStdStr<wchar_t> GetSingleDocUrl(const std::wstring& enterpriseId, const std::wstring& fileId,
                                 const std::wstring& emailTemplateName, const std::wstring& fingerprintTemplateName);
// The first page without a marker, later pages with it; the fingerprint rows when a fingerprint
// template is named.
CStdStr<wchar_t> GetFolderItemsUrl(const std::wstring& enterpriseId, const std::wstring& folderId,
                                   const std::wstring& emailTemplateName,
                                   const std::wstring& fingerprintTemplateName, uint32_t pageSize,
                                   const std::wstring& nextMarker);
CStdStr<wchar_t> GetFolderFingerprintItemsUrl(const std::wstring& enterpriseId, const std::wstring& folderId,
                                              const std::wstring& fingerprintTemplateName, uint32_t pageSize);
CStdStr<wchar_t> GetFingerprintSearchUrl(const std::wstring& enterpriseId, const std::wstring& folderId,
                                         const std::wstring& fingerprintTemplateName,
                                         const std::wstring& fingerprint);
CStdStr<wchar_t> GetFolderItemIdsUrl(const std::wstring& folderId, const std::wstring& nextMarker,
                                     uint32_t pageSize);
CStdStr<wchar_t> GetFileUrl(const std::wstring& fileId);
CStdStr<wchar_t> GetFileETagUrl(const std::wstring& fileId);
CStdStr<wchar_t> GetFileContentUrl(const std::wstring& fileId);
CStdStr<wchar_t> GetEmailMetadataUrl(const std::wstring& emailTemplateName, const std::wstring& fileId,
                                     const std::wstring& enterpriseId);
CStdStr<wchar_t> GetFingerprintMetadataUrl(const std::wstring& fingerprintTemplateName, const std::wstring& fileId,
                                           const std::wstring& enterpriseId);
// Folder searches always ask for 30 results.
CStdStr<wchar_t> GetFolderSearchUrl(const std::wstring& searchText, int32_t offset);
// The ancestor text is a scope such as "parents:123,456": the ids follow its first eight
// characters. A shorter text throws std::out_of_range.
CStdStr<wchar_t> GetFolderSearchInAncestorsUrl(const std::wstring& searchText, const std::wstring& ancestorText,
                                               int32_t offset);
// Box's search pages hold at most 200 results and start no further in than offset 10,000.
inline constexpr int32_t kMaxSearchLimit = 200;
inline constexpr int32_t kMaxSearchOffset = 10000;
CStdStr<wchar_t> GetFileSearchUrl(const FileSearchParameters& parameters, const std::wstring& folderId,
                                  int32_t offset, int32_t limit, const std::wstring& metadataTemplateKey,
                                  const std::wstring& resultFields);

// The sign-in page on the account host, with the product's client id and redirect address.
CStdStr<wchar_t> GetAuthorizeUrl();
// The form bodies of the token request; the values go in as given.
CStdStr<wchar_t> GetAuthCodeTokenRequestBody(const std::wstring& code, const std::wstring& clientId,
                                             const std::wstring& clientSecret);
CStdStr<wchar_t> GetRefreshTokenRequestBody(const std::wstring& refreshToken, const std::wstring& clientId,
                                            const std::wstring& clientSecret);

} // namespace Box_20
