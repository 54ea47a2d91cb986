// Entry ids of search results: the bytes that name a Box file for the host, what they decode to,
// and a result's preview link.
//
// Layout: 0xFF, 23 zero bytes, the marker 0x1212 and the file size (both 32-bit little-endian),
// then "parent id TAB item id TAB file name" in UTF-8 without a terminator.
#include "LSBoxOnlineSearchPageResults.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BoxUrlBuilders.h"
#include "ByteArrays.h"
#include "ComOwners.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "NarrowCasts.h"
#include "StringUtils.h"
#include "Utf8Converter.h"
#include "VESKBoxSyncFilterImpl.h"

#include <cstring>

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kMinimumSize = 35;
constexpr size_t kMarkerOffset = 24;
constexpr size_t kSizeOffset = 28;
constexpr uint32_t kMarker = 0x1212;
constexpr BYTE kFirstByte = 0xFF;
constexpr int64_t kLargestStoredSize = 0x7FFFFFFF;

void PutUint32(BYTE* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<BYTE>(value >> (8 * i));
}

uint32_t GetUint32(const BYTE* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

CStdStr<wchar_t> RequiredText(const LSOnlineResultNamedPropertyList& properties, const wchar_t* name)
{
    const _variant_t* value = properties.FindValueByKey(name);
    if (value == nullptr || value->vt != VT_BSTR)
        throw hresult_exception(E_INVALIDARG, "Missing entryid args");
    return value->bstrVal != nullptr ? value->bstrVal : L"";
}

// Sizes from 2 GiB - 1 on do not fit the entry id and are stored as 0.
int32_t StoredSize(const LSOnlineResultNamedPropertyList& properties)
{
    const _variant_t* size = properties.FindValueByKey(L"size");
    if (size == nullptr || size->vt != VT_I8 || size->llVal >= kLargestStoredSize)
        return 0;
    return TalvernCommon::narrowcasts::narrow<int32_t>(size->llVal);
}

} // namespace

_variant_t LSBoxOnlineSearchPageResults::LSBoxNamedPropertyList::GetEntryId() const
{
    const CStdStr<wchar_t> parent = RequiredText(*this, L"parent");
    const CStdStr<wchar_t> id = RequiredText(*this, L"id");
    const CStdStr<wchar_t> name = RequiredText(*this, L"name");
    const std::string text = GetThreadUtf8Converter().to_bytes(parent + L"\t" + id + L"\t" + name);
    TalvernCommon::unique_safearray bytes = TalvernCommon::CreateByteArray(kHeaderSize + text.size(), "entry id");
    {
        const TalvernCommon::SafeArrayData data(bytes.get());
        BYTE* const at = data.Bytes();
        at[0] = kFirstByte;
        PutUint32(at + kMarkerOffset, kMarker);
        PutUint32(at + kSizeOffset, static_cast<uint32_t>(StoredSize(*this)));
        std::memcpy(at + kHeaderSize, text.data(), text.size());
    }
    return TalvernCommon::ByteArrayVariant(std::move(bytes));
}

LSBoxOnlineSearchResultInfo LSBoxOnlineSearchPageResults::DecodeEntryId(const VARIANT& entryId) const
{
    if (entryId.vt != (VT_ARRAY | VT_UI1))
        throw hresult_exception(E_INVALIDARG, "Invalid varient for Entryid");
    VARTYPE elementType = VT_EMPTY;
    LONG lower = 0;
    LONG upper = -1;
    if (entryId.parray == nullptr || FAILED(::SafeArrayGetVartype(entryId.parray, &elementType)) ||
        elementType != VT_UI1 || ::SafeArrayGetDim(entryId.parray) != 1 ||
        FAILED(::SafeArrayGetLBound(entryId.parray, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(entryId.parray, 1, &upper)) || lower != 0)
        throw E_INVALIDARG;
    const size_t size = static_cast<size_t>(static_cast<int64_t>(upper) - lower + 1);
    if (upper < lower || size < kMinimumSize)
        throw hresult_exception(E_INVALIDARG, "Entryid too small");
    std::string text;
    int32_t fileSize = 0;
    {
        const TalvernCommon::SafeArrayData data(entryId.parray);
        const BYTE* const at = data.Bytes();
        if (at[0] != kFirstByte || GetUint32(at + kMarkerOffset) != kMarker)
            throw hresult_exception(E_INVALIDARG, "Invalid entryid layout");
        fileSize = static_cast<int32_t>(GetUint32(at + kSizeOffset));
        text.assign(reinterpret_cast<const char*>(at + kHeaderSize), size - kHeaderSize);
    }
    const std::vector<CStdStr<wchar_t>> parts = SplitString(GetThreadUtf8Converter().from_bytes(text), L"\t");
    if (parts.size() != 3)
        throw hresult_exception(E_INVALIDARG, "Invalid entryid data");
    const Box_20::BoxConstantsType& constants = Box_20::BoxConstants();
    LSBoxOnlineSearchResultInfo info;
    info.ItemId = parts[1];
    info.FileUrl = VESKBoxSyncFilterImpl::GetApplicationUrl() + constants.WebFilePath + parts[1];
    info.FolderUrl = VESKBoxSyncFilterImpl::GetApplicationUrl() + constants.WebFolderPath + parts[0];
    info.IsMessage = IsMsgFileName(parts[2]);
    info.FileName = parts[2];
    info.FilterText = FormatWide(L"#filter:file|%s/%s", parts[1], parts[2]);
    info.FileSize = fileSize;
    return info;
}

bool LSBoxOnlineSearchPageResults::IsMsgFileName(const CStdStr<wchar_t>& fileName)
{
    return GetFileExtension(fileName).Equals(L".msg", false);
}

CStdStr<wchar_t> LSBoxOnlineSearchPageResults::GetPreviewPath(const CStdStr<wchar_t>& itemId,
                                                              const CStdStr<wchar_t>& fileName) const
{
    if (!IsMsgFileName(fileName))
        return {};
    try {
        const CStdStr<wchar_t> url = Box_20::GetFileUrl(itemId) + L"?fields=expiring_embed_link";
        const Json::Value reply = Box_20::CallBoxAPIWithRichErrorLogging(
            nullptr, Informer().get(), url, Box_20::BoxConstants().VerbGet, _variant_t(), false);
        const Json::Value& link = reply.isObject() ? reply["expiring_embed_link"] : Json::Value::nullSingleton();
        const Json::Value& linkUrl = link.isObject() ? link["url"] : Json::Value::nullSingleton();
        if (linkUrl.isString())
            return GetThreadUtf8Converter().from_bytes(linkUrl.asString());
        LOG(ERROR) << " Unable to retrieve preview url: \n";
        throw Box_20::JoinWithSpace(L"LSBoxOnlineSearchPageResults::GetPreviewPath", L"Preview failed");
    } catch (...) {
        LSDiag::HandleInterfaceException("LSBoxOnlineSearchPageResults::GetPreviewPath", __FILE__, __LINE__);
    }
    return {};
}
