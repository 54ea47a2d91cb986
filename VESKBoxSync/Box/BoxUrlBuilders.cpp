#include "BoxUrlBuilders.h"

#include "BoxConstants.h"
#include "BoxIds.h"
#include "BoxQueryEncoding.h"
#include "BoxServiceTable.h"
#include "HResultException.h"
#include "LSHttpUtils.h"
#include "Utf8Converter.h"

#include <json/value.h>
#include <json/writer.h>

#include <string>
#include <string_view>

namespace Box_20 {

namespace {

// Box's search also finds fingerprints that merely contain the one asked for and may rank them
// first, so the duplicate search reads this many candidates and compares each.
constexpr wchar_t kFingerprintSearchCandidates[] = L"100";
// Folder searches ask for this many results a page.
constexpr wchar_t kFolderSearchPageSize[] = L"30";
// The ancestor scope's ids follow a prefix of this length ("parents:").
constexpr size_t kAncestorScopePrefixLength = 8;

// Box ids are decimal digits; anything else in a path would address another resource (or none).
void RequireDecimalIds(const PlaceholderMap& params)
{
    for (const wchar_t* key : {kFileIdKey, kFolderIdKey, kSessionIdKey}) {
        const auto entry = params.find(key);
        if (entry != params.end() && !IsBoxId(entry->second))
            throw hresult_exception(E_INVALIDARG, "Box_20 request address: " +
                                                      GetThreadUtf8Converter().to_bytes(key) +
                                                      " must be decimal digits");
    }
}

const PlaceholderMap::value_type* PlaceholderAt(std::wstring_view text, size_t at, const PlaceholderMap& params)
{
    for (const auto& entry : params) {
        if (!entry.first.empty() && text.compare(at, entry.first.size(), entry.first) == 0)
            return &entry;
    }
    return nullptr;
}

// One pass over the template: the values inserted are never read as template text again.
CStdStr<wchar_t> FillPlaceholders(std::wstring_view text, const PlaceholderMap& params)
{
    RequireDecimalIds(params);
    CStdStr<wchar_t> filled;
    size_t at = 0;
    while (at < text.size()) {
        const auto* placeholder = text[at] == L'[' ? PlaceholderAt(text, at, params) : nullptr;
        if (placeholder != nullptr) {
            filled += placeholder->second;
            at += placeholder->first.size();
        } else {
            filled += text[at++];
        }
    }
    return filled;
}

std::wstring_view RowText(unsigned service)
{
    if (service >= kServiceCount)
        throw hresult_exception(E_INVALIDARG, "Invalid service");
    return {ServiceTable[service].Text, ServiceTable[service].Length};
}

CStdStr<wchar_t> Compose(const std::wstring& base, unsigned service, const PlaceholderMap& params)
{
    const std::wstring_view row = RowText(service);
    return base + L"/2.0" + FillPlaceholders(row, params);
}

std::wstring Decimal(int64_t value)
{
    return std::to_wstring(value);
}

// The scope, template and marker texts come from settings and replies; encoding leaves the
// usual ones (letters, digits, "_", "-", ".") unchanged.
PlaceholderMap MetadataScope(const std::wstring& enterpriseId)
{
    return {{kEnterpriseIdKey, PercentEncode(enterpriseId)}};
}

std::wstring DateQuery(const FileSearchParameters& parameters)
{
    if (!parameters.HasDateRange)
        return {};
    return L"&updated_at_range=" + PercentEncode(parameters.LowerDate) + L"," + PercentEncode(parameters.UpperDate);
}

std::wstring SizeQuery(const FileSearchParameters& parameters)
{
    const OptionalSize& smallest = parameters.SmallestSize;
    const OptionalSize& largest = parameters.LargestSize;
    if (!smallest.Present && !largest.Present)
        return {};
    return L"&size_range=" + (smallest.Present ? Decimal(smallest.Value) : std::wstring()) + L"," +
           (largest.Present ? Decimal(largest.Value) : std::wstring());
}

std::wstring FileExtensionsQuery(const FileSearchParameters& parameters)
{
    if (parameters.FileExtensions.empty())
        return {};
    std::wstring query = L"&file_extensions=";
    bool first = true;
    for (const auto& extension : parameters.FileExtensions) {
        if (!first)
            query += L',';
        query += PercentEncodeList(extension);
        first = false;
    }
    return query;
}

std::string MetadataFiltersJson(const FileSearchParameters& parameters)
{
    const Utf8Converter utf8 = GetThreadUtf8Converter();
    Json::Value filters(Json::objectValue);
    for (const auto& [key, value] : parameters.MetadataFilters)
        filters[utf8.to_bytes(key)] = utf8.to_bytes(value);
    if (parameters.HasAttachments) {
        Json::Value range(Json::objectValue);
        range["gt"] = 1;
        range["lt"] = 1;
        filters["hasattachments"] = range;
    }
    Json::FastWriter writer;
    writer.omitEndingLineFeed();
    return writer.write(filters);
}

std::wstring MetadataFiltersQuery(const FileSearchParameters& parameters, const std::wstring& templateKey)
{
    if (parameters.MetadataFilters.empty() && !parameters.HasAttachments)
        return {};
    const std::string quotedKey = Json::valueToQuotedString(GetThreadUtf8Converter().to_bytes(templateKey).c_str());
    const std::string mdfilters = "[{\"scope\":\"enterprise\",\"templateKey\":" + quotedKey +
                                  ",\"filters\":" + MetadataFiltersJson(parameters) + "}]";
    return L"&mdfilters=" + PercentEncodeUtf8(mdfilters);
}

CStdStr<wchar_t> TokenRequestBody(unsigned service, const std::wstring& codeOrToken, const std::wstring& clientId,
                                  const std::wstring& clientSecret)
{
    return FillPlaceholders(RowText(service),
                            {{kAuthCodeKey, codeOrToken}, {kClientIdKey, clientId}, {kClientSecretKey, clientSecret}});
}

} // namespace

CStdStr<wchar_t> GetServiceUrl(unsigned service)
{
    return Compose(BoxConstants().ApiBaseUrl, service, {});
}

CStdStr<wchar_t> GetServiceUrlWithParams(unsigned service, const PlaceholderMap& params)
{
    return Compose(BoxConstants().ApiBaseUrl, service, params);
}

CStdStr<wchar_t> GetUploadServiceUrl(unsigned service, const PlaceholderMap& params)
{
    return Compose(BoxConstants().UploadBaseUrl, service, params);
}

CStdStr<wchar_t> GetSingleDocUrl(const std::wstring& enterpriseId, const std::wstring& fileId,
                                 const std::wstring& emailTemplateName, const std::wstring& fingerprintTemplateName)
{
    PlaceholderMap params = MetadataScope(enterpriseId);
    params[kFileIdKey] = fileId;
    params[kEmailTemplateKey] = PercentEncode(emailTemplateName);
    params[kFingerprintTemplateKey] = PercentEncode(fingerprintTemplateName);
    return GetServiceUrlWithParams(ServiceSingleDoc, params);
}

CStdStr<wchar_t> GetFolderItemsUrl(const std::wstring& enterpriseId, const std::wstring& folderId,
                                   const std::wstring& emailTemplateName,
                                   const std::wstring& fingerprintTemplateName, uint32_t pageSize,
                                   const std::wstring& nextMarker)
{
    PlaceholderMap params = MetadataScope(enterpriseId);
    params[kFolderIdKey] = folderId;
    params[kEmailTemplateKey] = PercentEncode(emailTemplateName);
    params[kFingerprintTemplateKey] = PercentEncode(fingerprintTemplateName);
    params[kLimitKey] = Decimal(pageSize);
    const bool withFingerprint = !fingerprintTemplateName.empty();
    unsigned service = withFingerprint ? ServiceFolderItemsWithFingerprint : ServiceFolderItems;
    if (!nextMarker.empty()) {
        params[kNextMarkerKey] = PercentEncode(nextMarker);
        service = withFingerprint ? ServiceFolderItemsWithFingerprintAndMarker : ServiceFolderItemsWithMarker;
    }
    return GetServiceUrlWithParams(service, params);
}

CStdStr<wchar_t> GetFolderFingerprintItemsUrl(const std::wstring& enterpriseId, const std::wstring& folderId,
                                              const std::wstring& fingerprintTemplateName, uint32_t pageSize)
{
    PlaceholderMap params = MetadataScope(enterpriseId);
    params[kFolderIdKey] = folderId;
    params[kFingerprintTemplateKey] = PercentEncode(fingerprintTemplateName);
    params[kLimitKey] = Decimal(pageSize);
    return GetServiceUrlWithParams(ServiceFolderFingerprintItems, params);
}

CStdStr<wchar_t> GetFingerprintSearchUrl(const std::wstring& enterpriseId, const std::wstring& folderId,
                                         const std::wstring& fingerprintTemplateName,
                                         const std::wstring& fingerprint)
{
    PlaceholderMap params = MetadataScope(enterpriseId);
    params[kFolderIdKey] = folderId;
    params[kFingerprintTemplateKey] = PercentEncode(fingerprintTemplateName);
    params[kFingerprintKey] = PercentEncode(fingerprint);
    params[kLimitKey] = kFingerprintSearchCandidates;
    return GetServiceUrlWithParams(ServiceFingerprintSearch, params);
}

CStdStr<wchar_t> GetFolderItemIdsUrl(const std::wstring& folderId, const std::wstring& nextMarker,
                                     uint32_t pageSize)
{
    PlaceholderMap params{{kFolderIdKey, folderId}, {kLimitKey, Decimal(pageSize)}};
    if (nextMarker.empty())
        return GetServiceUrlWithParams(ServiceFolderItemIds, params);
    params[kNextMarkerKey] = PercentEncode(nextMarker);
    return GetServiceUrlWithParams(ServiceFolderItemIdsWithMarker, params);
}

CStdStr<wchar_t> GetFileUrl(const std::wstring& fileId)
{
    return GetServiceUrlWithParams(ServiceFile, {{kFileIdKey, fileId}});
}

CStdStr<wchar_t> GetFileETagUrl(const std::wstring& fileId)
{
    return GetServiceUrlWithParams(ServiceFileETag, {{kFileIdKey, fileId}});
}

CStdStr<wchar_t> GetFileContentUrl(const std::wstring& fileId)
{
    return GetServiceUrlWithParams(ServiceFileContent, {{kFileIdKey, fileId}});
}

CStdStr<wchar_t> GetEmailMetadataUrl(const std::wstring& emailTemplateName, const std::wstring& fileId,
                                     const std::wstring& enterpriseId)
{
    PlaceholderMap params = MetadataScope(enterpriseId);
    params[kFileIdKey] = fileId;
    params[kEmailTemplateKey] = PercentEncode(emailTemplateName);
    return GetServiceUrlWithParams(ServiceEmailMetadata, params);
}

CStdStr<wchar_t> GetFingerprintMetadataUrl(const std::wstring& fingerprintTemplateName, const std::wstring& fileId,
                                           const std::wstring& enterpriseId)
{
    PlaceholderMap params = MetadataScope(enterpriseId);
    params[kFileIdKey] = fileId;
    params[kFingerprintTemplateKey] = PercentEncode(fingerprintTemplateName);
    return GetServiceUrlWithParams(ServiceFingerprintMetadata, params);
}

CStdStr<wchar_t> GetFolderSearchUrl(const std::wstring& searchText, int32_t offset)
{
    return GetServiceUrlWithParams(ServiceFolderSearch, {{kSearchTermKey, PercentEncode(searchText)},
                                                         {kOffsetKey, Decimal(offset)},
                                                         {kLimitKey, kFolderSearchPageSize}});
}

CStdStr<wchar_t> GetFolderSearchInAncestorsUrl(const std::wstring& searchText, const std::wstring& ancestorText,
                                               int32_t offset)
{
    const std::wstring ancestorIds = ancestorText.substr(kAncestorScopePrefixLength);
    return GetServiceUrlWithParams(ServiceFolderSearchInAncestors,
                                   {{kSearchTermKey, PercentEncode(searchText)},
                                    {kAncestorIdsKey, PercentEncodeList(ancestorIds)},
                                    {kOffsetKey, Decimal(offset)},
                                    {kLimitKey, kFolderSearchPageSize}});
}

CStdStr<wchar_t> GetFileSearchUrl(const FileSearchParameters& parameters, const std::wstring& folderId,
                                  int32_t offset, int32_t limit, const std::wstring& metadataTemplateKey,
                                  const std::wstring& resultFields)
{
    std::wstring folderIdQuery;
    if (!folderId.empty()) {
        if (!IsBoxId(folderId))
            throw hresult_exception(E_INVALIDARG, "Box_20::GetFileSearchUrl folder id must be decimal digits");
        folderIdQuery = L"ancestor_folder_ids=" + folderId + L"&";
    }
    CStdStr<wchar_t> url = GetServiceUrlWithParams(ServiceFileSearch,
                                                   {{kSearchTermKey, PercentEncode(parameters.SearchText)},
                                                    {kFolderIdQueryKey, folderIdQuery},
                                                    {kOffsetKey, Decimal(offset)},
                                                    {kLimitKey, Decimal(limit)},
                                                    {kResultPropsKey, PercentEncodeList(resultFields)},
                                                    {kDateQueryKey, DateQuery(parameters)},
                                                    {kSizeQueryKey, SizeQuery(parameters)}});
    url += FileExtensionsQuery(parameters);
    url += MetadataFiltersQuery(parameters, metadataTemplateKey);
    return url;
}

CStdStr<wchar_t> GetAuthorizeUrl()
{
    const BoxConstantsType& constants = BoxConstants();
    return constants.AccountHostUrl +
           FillPlaceholders(RowText(ServiceAuthorize),
                            {{kClientIdKey, LSHttpUtils::UrlEncode(constants.ClientId, false)},
                             {kRedirectUriKey, LSHttpUtils::UrlEncode(constants.RedirectUri, false)}});
}

CStdStr<wchar_t> GetAuthCodeTokenRequestBody(const std::wstring& code, const std::wstring& clientId,
                                             const std::wstring& clientSecret)
{
    return TokenRequestBody(ServiceAuthCodeTokenBody, code, clientId, clientSecret);
}

CStdStr<wchar_t> GetRefreshTokenRequestBody(const std::wstring& refreshToken, const std::wstring& clientId,
                                            const std::wstring& clientSecret)
{
    return TokenRequestBody(ServiceRefreshTokenBody, refreshToken, clientId, clientSecret);
}

} // namespace Box_20
