// Where the synchronised folder starts: given as text or as the Outlook folder's properties.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "LSPropertyHelpers.h"
#include "LSResources.h"
#include "StringUtils.h"

namespace {

constexpr int32_t kNothingListedMode = 3;
constexpr UINT kDefaultRemoteNameResource = 4005;
// Without the resource DLLs a remote name still needs some text.
constexpr wchar_t kFallbackRemoteName[] = L"Document";
// ERROR_NOT_SUPPORTED as an HRESULT: the folder map names no location.
constexpr HRESULT kNoFolderLocation = static_cast<HRESULT>(0x80070032);
const _bstr_t kFilterPropertyName{L"FilterPropertyName"};
const _bstr_t kFilterPropertyValue{L"FilterPropertyValue"};

// The system's text for the failure, as the host shows it to the user.
CStdStr<wchar_t> ErrorTextFor(HRESULT hr)
{
    CStdStr<wchar_t> text = _com_error(hr).ErrorMessage();
    text.Trim();
    return text.empty() ? FormatWide(L"Error: %08x", static_cast<unsigned long>(hr)) : text;
}

// A failed start point tells the user why; an operation that wrote its own text keeps it.
HRESULT FailStartPoint(HRESULT hr, const CStdStr<wchar_t>& ownText, BSTR* errorText)
{
    *errorText = StdStrToBstr(ownText.empty() ? ErrorTextFor(hr) : ownText);
    return hr;
}

bool IsForbiddenInRemoteName(wchar_t c)
{
    return c < 32 || std::wstring_view(L"\"*/:<>?\\|").find(c) != std::wstring_view::npos;
}

} // namespace

int32_t LSBaseFileSyncFilter::ListingModeFromFlags(VARIANT_BOOL modeFlag1, VARIANT_BOOL modeFlag2)
{
    const bool first = modeFlag1 == VARIANT_TRUE;
    const bool second = modeFlag2 == VARIANT_TRUE;
    if (first && second)
        return kNothingListedMode;
    if (first)
        return 0;
    return second ? 1 : 2;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSyncStartPointByString(BSTR startPoint, BSTR* errorText)
{
    try {
        if (!ClearOutParam(errorText, nullptr))
            return E_POINTER;
        LS_DIAG_LOG(1) << "LSBaseFileSyncFilter::raw_SetSyncStartPointByString";
        const uint64_t number = ++m_newestStartPoint;
        m_startedByText = true;
        m_contentsListed = false;
        m_headerOnly = false;
        m_startPointText = CStdStr<wchar_t>(startPoint);
        // One object serves many folders: nothing of the previous one may be listed or filtered here.
        ClearListing();
        m_filterPropertyName.clear();
        m_filterPropertyValue.clear();

        CStdStr<wchar_t> location = m_startPointText;
        CStdStr<wchar_t> ownText;
        // Each step may wait, and a start point set meanwhile wins.
        const auto unlessOvertaken = [this, number](HRESULT hr) { return IsOvertaken(number) ? E_ABORT : hr; };
        if (const HRESULT hr = unlessOvertaken(ResolveFolderFromUrl(location)); FAILED(hr))
            return FailStartPoint(hr, ownText, errorText);
        if (const HRESULT hr = unlessOvertaken(GetStartPointFromHost(location)); FAILED(hr))
            return FailStartPoint(hr, ownText, errorText);
        if (const HRESULT hr = unlessOvertaken(PrepareSyncStartPoint(location, ownText)); FAILED(hr))
            return FailStartPoint(hr, ownText, errorText);

        m_folderLocation = location;
        m_startFolderLeafName = SplitPathAtLastBackslash(m_folderLocation);
        // A text start point lists nothing, so the next folder update must list.
        const HRESULT hr = GetContents(nullptr, kNothingListedMode);
        if (IsOvertaken(number))
            return FailStartPoint(E_ABORT, {}, errorText);
        if (SUCCEEDED(hr)) {
            OnSyncStartPointSet();
            return S_OK;
        }
        LOG(ERROR) << "Error getting contents";
        FailStartPoint(hr, {}, errorText);
        return E_FAIL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_SetSyncStartPointByString")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSyncStartPoint(ILSPropertyMap* folderMap,
                                                                      VARIANT_BOOL skipListing,
                                                                      VARIANT_BOOL modeFlag1, VARIANT_BOOL modeFlag2,
                                                                      long startPointNumber, VARIANT_BOOL lastFlag)
{
    try {
        const uint64_t number = ++m_newestStartPoint;
        m_listingMode = ListingModeFromFlags(modeFlag1, modeFlag2);
        m_startedByText = false;
        m_contentsListed = false;
        m_headerOnly = false;
        m_documentChangedSinceListing = false;
        m_lastStartPointFlag = lastFlag != VARIANT_FALSE;
        m_startPointNumber = startPointNumber;
        ClearListing();
        LSPropertyHelpers::CheckPropMap(folderMap);

        m_folderLocation = GetFolderLocation(folderMap);
        m_mainFolderMap = TalvernCommon::com_ptr<ILSPropertyMap>(folderMap);
        m_repositoryLocation = LSPropertyHelpers::getProp(folderMap, LSNamedProperties::QuentraRepositoryLocation, L"");
        m_filterPropertyName = LSPropertyHelpers::getProp(folderMap, kFilterPropertyName, L"");
        m_filterPropertyValue = LSPropertyHelpers::getProp(folderMap, kFilterPropertyValue, L"");

        if (skipListing != VARIANT_FALSE && CanSkipStartPointListing(folderMap))
            return S_OK;
        const HRESULT hr = GetContents(folderMap, m_listingMode);
        if (IsOvertaken(number))
            return E_ABORT;
        if (FAILED(hr)) {
            LOG(ERROR) << "Error getting contents";
            return hr;
        }
        // A mode that lists nothing leaves the listing to the next folder update.
        m_contentsListed = m_listingMode != kNothingListedMode;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_SetSyncStartPoint")
}

HRESULT LSBaseFileSyncFilter::GetStartPointFromHost(CStdStr<wchar_t>& startPoint)
{
    if (!startPoint.empty())
        return S_OK;
    // Asked through the object's own identity, which is the host's object when it aggregates us.
    TalvernCommon::com_ptr<ILSStartPointProvider> provider;
    const HRESULT query = static_cast<ILSSyncFilter2*>(this)->QueryInterface(
        __uuidof(ILSStartPointProvider), reinterpret_cast<void**>(provider.put()));
    if (query == E_NOINTERFACE)
        return E_INVALIDARG;
    if (FAILED(query))
        _com_issue_error(query);
    TalvernCommon::unique_bstr text;
    if (const HRESULT hr = provider->GetStartPoint(text.put()); FAILED(hr))
        return hr;
    startPoint = CStdStr<wchar_t>(text.get());
    return S_OK;
}

CStdStr<wchar_t> LSBaseFileSyncFilter::MakeValidRemoteName(const CStdStr<wchar_t>& name)
{
    CStdStr<wchar_t> valid = name;
    for (wchar_t& c : valid) {
        if (IsForbiddenInRemoteName(c))
            c = L' ';
    }
    valid.Trim();
    if (!valid.empty() && valid.front() != L'.')
        return valid;
    CStdStr<wchar_t> defaultName;
    if (!LoadResourceString(kDefaultRemoteNameResource, defaultName) || defaultName.empty())
        defaultName = kFallbackRemoteName;
    return defaultName + valid;
}

void LSBaseFileSyncFilter::ClearListing()
{
    m_subFolderNames.clear();
    m_subFolderIds.clear();
    m_itemNames.clear();
    m_itemIds.clear();
    m_lastModifiedCache.clear();
    m_etags.clear();
    m_serverItemExtraProperties.clear();
}

CStdStr<wchar_t> LSBaseFileSyncFilter::GetFolderLocation(ILSPropertyMap* map)
{
    LSPropertyHelpers::CheckPropMap(map);
    TalvernCommon::unique_bstr location;
    if (SUCCEEDED(map->get_ItemStr(LSNamedProperties::QuentraFromServerShortItemId, location.put())) ||
        SUCCEEDED(map->get_ItemStr(LSNamedProperties::QuentraFolderLocation, location.put())))
        return CStdStr<wchar_t>(location.get());
    LOG(ERROR) << "Failed to get folder location";
    throw kNoFolderLocation;
}
