// The server items of the listed folder and their basic properties.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "LSDiag.h"
#include "LSHash.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"
#include "LSSetting.h"

namespace {

constexpr wchar_t kExternalAttachmentsSetting[] = L"VESK.ExternalAttachments";

_bstr_t Bstr(const CStdStr<wchar_t>& text) { return _bstr_t(text.c_str()); }

// The text after the last "."; empty when there is none or nothing follows it.
CStdStr<wchar_t> ExtensionOf(const CStdStr<wchar_t>& name)
{
    const size_t dot = name.rfind(L'.');
    return dot == CStdStr<wchar_t>::npos ? CStdStr<wchar_t>() : CStdStr<wchar_t>(name.substr(dot + 1));
}

} // namespace

bool GetExternalAttachmentsSetting()
{
    static const bool on = LSSetting::GetInstance().GetUserDword(kExternalAttachmentsSetting, 0) != 0;
    return on;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::GetServerItemNameCount(unsigned short* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = HostCount(m_itemNames.size(), "LSBaseFileSyncFilter::GetServerItemNameCount");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetItemBasicProps(unsigned short index, ILSPropertyMap* item)
{
    constexpr char kMethod[] = "LSBaseFileSyncFilter::raw_GetItemBasicProps";
    try {
        // A start point given as text describes the start folder whatever the index.
        if (!m_startedByText && index >= m_itemNames.size())
            return E_INVALIDARG;
        LSPropertyHelpers::CheckPropMap(item);
        LS_DIAG_LOG(1) << kMethod;
        if (m_startedByText) {
            LS_DIAG_LOG(1) << "About to get new registration for folder:" << LSDiag::LogText(m_startFolderLeafName);
            item->put_ItemStr(LSNamedProperties::UniqueId, Bstr(CLSHash::GetGuidForString(m_folderLocation)));
            item->put_ItemNum(LSNamedProperties::VersionId, 1);
            item->put_ItemStr(LSNamedProperties::DisplayName, Bstr(m_startFolderLeafName));
            LS_DIAG_LOG(1) << "Stored new registration for folder:" << LSDiag::LogText(m_startFolderLeafName);
            return S_OK;
        }
        LS_DIAG_LOG(1) << "Starting regular raw_GetItemBasicProps " << index;

        const CStdStr<wchar_t>& name = m_itemNames[index];
        const CStdStr<wchar_t> id = GetRemoteItemId(index);
        const int version = GetRemoteVersion(index);
        LS_DIAG_LOG(1) << kMethod << ": Getting properties for : " << LSDiag::LogText(m_folderLocation) << "\\"
                       << LSDiag::LogText(name);
        const CStdStr<wchar_t> extension = ExtensionOf(name);
        const CStdStr<wchar_t> guid = CLSHash::GetGuidForString(id);

        item->put_ItemStr(LSNamedProperties::UniqueId, Bstr(guid));
        item->put_ItemNum(LSNamedProperties::VersionId, version);
        item->put_ItemStr(LSNamedProperties::DisplayName, Bstr(GetItemDisplayName(index, name)));
        item->put_ItemStr(LSNamedProperties::FileName, Bstr(name));
        item->put_ItemStr(LSNamedProperties::Extension, Bstr(extension));
        if (GetExternalAttachmentsSetting())
            item->put_ItemStr(LSNamedProperties::ExternalAttachmentFilename,
                              Bstr(MakeIndividualItemTempPath(id, version)));
        item->put_ItemStr(LSNamedProperties::QuentraFromServerFileName, Bstr(name));
        SetupFileId(id, item, false);
        SetupFileUrl(id, index, item);
        LS_DIAG_LOG(1) << kMethod << ": Properties are: " << LSDiag::LogText(name) << ", "
                       << LSDiag::LogText(extension) << ", " << LSDiag::LogText(guid);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL(kMethod)
}

DATE LSBaseFileSyncFilter::CacheLastModified(unsigned short index)
{
    if (const auto cached = m_lastModifiedCache.find(index); cached != m_lastModifiedCache.end())
        return cached->second;
    const CStdStr<wchar_t> text = GetRemoteItemId(index);
    DATE date = kUnknownRemoteDate;
    SYSTEMTIME time{};
    if (!ParseRemoteDateTime(text, time) || !::SystemTimeToVariantTime(&time, &date)) {
        LOG(ERROR) << "LSBaseFileSyncFilter::CacheLastModified"
                   << ": Unable to get Last Modified Date for Remote File: " << LSDiag::LogText(text);
        date = kUnknownRemoteDate;
    }
    // Also the unknown value, so that a failed look-up is not repeated for this listing.
    m_lastModifiedCache.emplace(index, date);
    return date;
}
