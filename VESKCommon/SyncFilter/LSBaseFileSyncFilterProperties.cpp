// The filter's knowledge written into Outlook: the main folder's and each item's properties.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"
#include "StringUtils.h"

namespace {

constexpr char kSetMainFolderProperties[] = "LSBaseFileSyncFilter::raw_SetMainFolderProperties";
constexpr char kSetItemProperties[] = "LSBaseFileSyncFilter::raw_SetItemProperties";
constexpr unsigned char kTrue = 1;

[[noreturn]] void ThrowFailedWrite(const char* context, HRESULT hr)
{
    LOG(ERROR) << kSetMainFolderProperties << context << std::hex << static_cast<unsigned long>(hr);
    throw hr;
}

void PutText(ILSPropertyMap* map, const _bstr_t& name, const CStdStr<wchar_t>& value, const char* context)
{
    const HRESULT hr = map->put_ItemStr(name, _bstr_t(value.c_str()));
    if (FAILED(hr))
        ThrowFailedWrite(context, hr);
}

void PutNumber(ILSPropertyMap* map, const _bstr_t& name, long value)
{
    const HRESULT hr = map->put_ItemNum(name, value);
    if (FAILED(hr))
        ThrowFailedWrite(": put_ItemNum failed ", hr);
}

// An empty mask from the repository means "decide by the read-only answer".
CStdStr<wchar_t> MaskOrDefault(const CStdStr<wchar_t>& mask, bool readOnly, const char* method)
{
    if (!mask.empty())
        return mask;
    if (!readOnly)
        return LSPermissionMasks::kAllRights;
    LS_DIAG_LOG(1) << method << " : folder is readonly";
    return LSPermissionMasks::kReadOnly;
}

} // namespace

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetMainFolderProperties(ILSPropertyMap* folderMap)
{
    try {
        LSPropertyHelpers::CheckPropMap(folderMap);
        m_syncRun = TalvernCommon::com_ptr<IUnknown>(folderMap);
        // The main folder's map stays: the change token is reset through it later.
        constexpr char kPutFailed[] = ": put_ItemStr failed ";
        const CStdStr<wchar_t> repository = GetRepositoryName();
        PutText(folderMap, LSNamedProperties::QuentraRepositoryType, repository, kPutFailed);
        PutText(folderMap, LSNamedProperties::QuentraRepositoryTypeDisplayName, repository, kPutFailed);
        PutText(folderMap, LSNamedProperties::QuentraRepositoryLocation, m_folderLocation, kPutFailed);
        PutText(folderMap, LSNamedProperties::VESKRepositoryOriginalLocation, m_startPointText, kPutFailed);
        PutText(folderMap, LSNamedProperties::QuentraFolderLocation, m_folderLocation, kPutFailed);
        SetupFolderUrl(m_folderLocation, -1, folderMap);
        PutNumber(folderMap, LSNamedProperties::QuentraSyncDisabled, 0);
        PutNumber(folderMap, LSNamedProperties::QuentraMainFolder, 1);

        bool readOnly = false;
        CStdStr<wchar_t> mask;
        // The permissions may be asked of the repository; a start point set meanwhile makes them
        // another folder's answer.
        const uint64_t startPoint = NewestStartPoint();
        const HRESULT readOnlyHr = isItemReadOnly(m_folderLocation, readOnly, mask);
        if (FAILED(readOnlyHr))
            return readOnlyHr;
        if (IsOvertaken(startPoint))
            return E_ABORT;
        PutText(folderMap, LSNamedProperties::VESKPermMask2, MaskOrDefault(mask, readOnly, kSetMainFolderProperties),
                ": put_ItemStr for permissions failed ");

        if (!AllowsFolderCreation()) {
            const HRESULT hr = folderMap->put_ItemBool(LSNamedProperties::VESKDisableFolderCreation, kTrue);
            if (FAILED(hr)) {
                LOG(ERROR) << "Failed to set foldercreation property on repository" << std::hex
                           << static_cast<unsigned long>(hr);
                throw hr;
            }
        }
        if (!m_contentTypeInfo.empty())
            PutText(folderMap, LSNamedProperties::CTInfo, m_contentTypeInfo, kPutFailed);
        for (const auto& [name, value] : m_nameValuePairsForRootFolder) {
            const HRESULT hr = folderMap->put_ItemStr(_bstr_t(name.c_str()), _bstr_t(value.c_str()));
            if (FAILED(hr)) {
                LOG(ERROR) << "_nameValuePairsForRootFolder put_ItemStr failed " << std::hex
                           << static_cast<unsigned long>(hr);
                throw hr;
            }
            if (name.Equals(L"IsListFolder", false))
                folderMap->put_ItemBool(LSNamedProperties::SPIsList, kTrue);
        }
        if (!AllowsDocumentsInMainFolder()) {
            const HRESULT hr = folderMap->put_ItemBool(LSNamedProperties::QuentraNoDocsAllowed, kTrue);
            if (FAILED(hr)) {
                LOG(ERROR) << kSetMainFolderProperties << "Failed to set QuentraNoDocsAllowed property on folder"
                           << std::hex << static_cast<unsigned long>(hr);
                return hr;
            }
        }
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL(kSetMainFolderProperties)
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetItemProperties(unsigned short index, ILSPropertyMap* item,
                                                                      long)
{
    try {
        // A start point given as text makes the item stand for the start folder.
        if (m_startedByText)
            return raw_SetMainFolderProperties(item);
        if (index >= m_itemNames.size())
            return E_INVALIDARG;
        LSPropertyHelpers::CheckPropMap(item);
        try {
            return SetItemPropertiesOf(index, item);
        } catch (HRESULT hr) {
            LOG(ERROR) << kSetItemProperties << ": Caught exception " << std::hex << static_cast<unsigned long>(hr)
                       << " for index :" << std::dec << index;
            return hr;
        }
    }
    LS_INTERFACE_CATCH_ALL(kSetItemProperties)
}

HRESULT LSBaseFileSyncFilter::SetItemPropertiesOf(unsigned short index, ILSPropertyMap* item)
{
    const auto etagEntry = m_etags.find(index);
    const CStdStr<wchar_t> etag = etagEntry != m_etags.end() ? etagEntry->second : CStdStr<wchar_t>();
    const CStdStr<wchar_t> remoteId = GetRemoteItemId(index);
    const CStdStr<wchar_t>& name = m_itemNames[index];

    CStdStr<wchar_t> url;
    const HRESULT urlHr = GetFileUrl(remoteId, url, index);
    if (FAILED(urlHr)) {
        LOG(ERROR) << kSetItemProperties << ": GetFileUrl failed " << std::hex << static_cast<unsigned long>(urlHr);
        throw urlHr;
    }

    const std::optional<PropertyPairs> extra = ServerItemExtraProperties(index);
    const auto extraOr = [&extra](const wchar_t* key, const wchar_t* defaultValue) -> CStdStr<wchar_t> {
        if (!extra)
            return defaultValue;
        const auto found = extra->find(key);
        return found != extra->end() ? found->second : CStdStr<wchar_t>(defaultValue);
    };
    // A mail file synchronised in full brings its own header with its content.
    bool headerDone = false;
    CStdStr<wchar_t> fromUser;
    CStdStr<wchar_t> toUser;
    if (m_headerOnly || !IsMailFileExtension(name)) {
        headerDone = SetHeaderMapiProperties(remoteId, item);
        if (!headerDone) {
            fromUser = extraOr(L"fromUser", L"");
            toUser = extraOr(L"toUser", L"");
        }
    }

    bool readOnly = extraOr(L"forceReadOnly", L"0") == L"1";
    CStdStr<wchar_t> mask;
    if (!readOnly) {
        const HRESULT hr = isItemReadOnly(remoteId, readOnly, mask);
        if (FAILED(hr)) {
            LOG(ERROR) << kSetItemProperties << "Failed to determine if item is readonly";
            return hr;
        }
    }
    mask = MaskOrDefault(mask, readOnly, kSetItemProperties);

    const auto dateEntry = m_lastModifiedCache.find(index);
    const DATE date = dateEntry != m_lastModifiedCache.end() ? dateEntry->second : 0;
    SetMapiProperties(item, date, etag, remoteId, name, url, fromUser, toUser, mask, extra ? &*extra : nullptr,
                      headerDone);
    return S_OK;
}
