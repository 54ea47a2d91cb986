// One folder's sync pass: listing before it, the change token after it, and the sub-folders found.
#include "LSBaseFileSyncFilter.h"

#include "ComOwners.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSHash.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "LSPropertyHelpers.h"
#include "StringUtils.h"

#include <limits>

namespace {

constexpr wchar_t kFullRightsMask[] = L"0x7FFFFFFFFFFFFFFF";
constexpr wchar_t kReadOnlyMask[] = L"0x0000000000000001";
const _bstr_t kPermissionMaskProperty{L"VESK.PermMask2"};
const _bstr_t kIconIndexProperty{L"VESK.CustomDirectoryIconIndex"};
const _bstr_t kBackgroundSyncDisabledProperty{L"Quentra.BackgroundSyncDisabled"};
const _bstr_t kIsListProperty{L"SPIsList"};
const _bstr_t kNoDocsAllowedProperty{L"Quentra.NoDocsAllowed"};
constexpr wchar_t kForceReadOnlyKey[] = L"forceReadOnly";
constexpr wchar_t kRecordTypeKey[] = L"VESK.RecordType";
constexpr wchar_t kAddFolderRecordTypeKey[] = L"VESK.AddFolderRecordType";
constexpr wchar_t kIsListFolderKey[] = L"IsListFolder";
constexpr unsigned char kBoolTrue = 1;

_bstr_t Bstr(const CStdStr<wchar_t>& text) { return _bstr_t(text.c_str()); }

// The leading decimal digits of the text; 0 when it starts with none.
long LeadingNumber(const CStdStr<wchar_t>& text)
{
    long value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9' || value > (std::numeric_limits<long>::max() - 9) / 10)
            break;
        value = value * 10 + (c - L'0');
    }
    return value;
}

void ThrowLoggedFailure(HRESULT hr, const char* what)
{
    LOG(ERROR) << "LSBaseFileSyncFilter::raw_SetSubFolderProperties" << what << "0x" << std::hex
               << static_cast<unsigned long>(hr);
    throw hr;
}

} // namespace

unsigned short LSBaseFileSyncFilter::HostCount(size_t count, const char* what)
{
    constexpr size_t kMax = std::numeric_limits<unsigned short>::max();
    if (count <= kMax)
        return static_cast<unsigned short>(count);
    LOG(ERROR) << what << ": " << count << " listed, the host is told " << kMax;
    return static_cast<unsigned short>(kMax);
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_PostContentSyncFolderUpdate(ILSPropertyMap* folderMap)
{
    try {
        return StoreChangeToken(folderMap);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_PostContentSyncFolderUpdate")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_PreContentSyncFolderUpdate(ILSPropertyMap* folderMap,
                                                                               VARIANT_BOOL modeFlag1,
                                                                               VARIANT_BOOL modeFlag2)
{
    try {
        m_listingMode = ListingModeFromFlags(modeFlag1, modeFlag2);
        if (m_contentsListed && !m_documentChangedSinceListing)
            return S_OK;
        ClearListing();
        return GetContents(folderMap, m_listingMode);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_PreContentSyncFolderUpdate")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::GetSubFolderCount(unsigned short* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = HostCount(m_subFolderNames.size(), "LSBaseFileSyncFilter::GetSubFolderCount");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetSubFolderBasicProps(unsigned short index,
                                                                           ILSPropertyMap* folder)
{
    try {
        if (index >= m_subFolderNames.size())
            return E_INVALIDARG;
        LSPropertyHelpers::CheckPropMap(folder);
        const CStdStr<wchar_t>& name = m_subFolderNames[index];
        const CStdStr<wchar_t> key = GetSubFolderKey(index);
        folder->put_ItemStr(LSNamedProperties::UniqueId, Bstr(CLSHash::GetGuidForString(key)));
        folder->put_ItemNum(LSNamedProperties::VersionId, 1);
        folder->put_ItemStr(LSNamedProperties::DisplayName, Bstr(GetSubFolderDisplayName(index, name)));
        folder->put_ItemStr(LSNamedProperties::QuentraRepositoryLocation, Bstr(key));
        LS_DIAG_LOG(1) << "LSBaseFileSyncFilter::raw_GetSubFolderBasicProps" << ": Sub Folder props: "
                       << LSDiag::LogText(name) << ", " << LSDiag::LogText(key);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetSubFolderBasicProps")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSubFolderProperties(unsigned short index,
                                                                           ILSPropertyMap* folder)
{
    constexpr char kMethod[] = "LSBaseFileSyncFilter::raw_SetSubFolderProperties";
    try {
        if (index >= m_subFolderNames.size())
            return E_INVALIDARG;
        LSPropertyHelpers::CheckPropMap(folder);
        const CStdStr<wchar_t>& name = m_subFolderNames[index];
        const CStdStr<wchar_t> key = GetSubFolderKey(index);
        const CStdStr<wchar_t> repositoryName = GetRepositoryName();

        if (SUCCEEDED(folder->put_ItemStr(LSNamedProperties::QuentraRepositoryType, Bstr(repositoryName)))) {
            folder->put_ItemStr(LSNamedProperties::QuentraRepositoryLocation, Bstr(key));
            folder->put_ItemStr(LSNamedProperties::QuentraFolderLocation, Bstr(key));
            SetupFolderUrl(key, index, folder);
            folder->put_ItemStr(LSNamedProperties::QuentraFromServerFileName, Bstr(name));
            SetupFileId(key, folder, false);
        }

        bool readOnly = GetSubFolderExtraProperty(index, kForceReadOnlyKey, L"0") == L"1";
        CStdStr<wchar_t> mask;
        if (!readOnly) {
            if (const HRESULT hr = isItemReadOnly(key, readOnly, mask); FAILED(hr))
                ThrowLoggedFailure(hr, ": isItemReadOnly failed ");
        }
        if (mask.empty())
            mask = kFullRightsMask;
        if (readOnly) {
            LS_DIAG_LOG(1) << kMethod << " : folder is readonly";
            mask = kReadOnlyMask;
        }
        if (const HRESULT hr = folder->put_ItemStr(kPermissionMaskProperty, Bstr(mask)); FAILED(hr))
            ThrowLoggedFailure(hr, ": put_ItemStr for permissions failed ");
        LS_DIAG_LOG(1) << kMethod << ": Set Sub Folder props: " << LSDiag::LogText(name) << ", "
                       << LSDiag::LogText(key);

        HRESULT hr = SetFilterSubFolderProperties(index, folder);
        if (FAILED(hr))
            ThrowLoggedFailure(hr, ": put_ItemStr for SetFilterSubFolderProperties failed ");

        const std::pair<const _bstr_t*, const char*> numberProperties[] = {
            {&kIconIndexProperty, "Failed to set VESKCustomDirectoryIconIndexPropName property on property map"},
            {&kBackgroundSyncDisabledProperty,
             "Failed to set RepositoryBackgroundSyncDisabledPropName property on property map"},
        };
        for (const auto& [property, failureText] : numberProperties) {
            const CStdStr<wchar_t> text = GetSubFolderExtraProperty(index, static_cast<const wchar_t*>(*property), L"");
            if (text.empty())
                continue;
            hr = folder->put_ItemNum(*property, LeadingNumber(text));
            if (FAILED(hr)) {
                LOG(ERROR) << failureText;
                return hr;
            }
        }

        if (index < m_subFolderExtraProperties.size()) {
            const CStdStr<wchar_t> prefix = repositoryName + L"-";
            for (const auto& [extraKey, value] : m_subFolderExtraProperties[index]) {
                if (extraKey.StartsWith(prefix) || extraKey.Equals(kRecordTypeKey, false) ||
                    extraKey.Equals(kAddFolderRecordTypeKey, false))
                    folder->put_ItemStr(Bstr(extraKey), Bstr(value));
                else if (extraKey.Equals(kIsListFolderKey, false))
                    folder->put_ItemBool(kIsListProperty, kBoolTrue);
            }
        }

        if (!AllowsDocumentsInSubFolders()) {
            hr = folder->put_ItemBool(kNoDocsAllowedProperty, kBoolTrue);
            if (FAILED(hr)) {
                LOG(ERROR) << "Failed to set QuentraNoDocsAllowed property on folder" << std::hex
                           << static_cast<unsigned long>(hr);
                return hr;
            }
        }
        return hr;
    }
    LS_INTERFACE_CATCH_ALL(kMethod)
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetFilterNames(BSTR* first, BSTR* second)
{
    try {
        // Each one given is cleared, also when the other is missing.
        const bool bothGiven = ClearOutParam(first, nullptr) & ClearOutParam(second, nullptr);
        if (!bothGiven)
            return E_POINTER;
        const CStdStr<wchar_t> name = GetRepositoryName();
        TalvernCommon::unique_bstr firstName(StdStrToBstr(name));
        *second = StdStrToBstr(name);
        *first = firstName.release();
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetFilterNames")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_HasMoreItemsAvailable(long* more)
{
    try {
        if (more == nullptr)
            return E_POINTER;
        // The host expects 1 here, not VARIANT_TRUE.
        *more = HasChangeToken() ? 1 : 0;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_HasMoreItemsAvailable")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_ResetChangeCache() { return S_OK; }
