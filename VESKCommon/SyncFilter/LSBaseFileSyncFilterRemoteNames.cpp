// What ties an Outlook item or folder to its remote counterpart: folder rename and creation, and
// the remote name stored on an item.
#include "LSBaseFileSyncFilter.h"

#include "ComOwners.h"
#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "LSPropertyHelpers.h"

namespace {

using UrlLookup = HRESULT (LSBaseFileSyncFilter::*)(const CStdStr<wchar_t>&, CStdStr<wchar_t>&, int);

void ThrowLogged(const char* place, const char* what, HRESULT hr)
{
    LOG(ERROR) << place << what << std::hex << static_cast<unsigned long>(hr);
    throw hr;
}

// Asks the repository for the link and writes a non-empty one; failures are logged and thrown.
HRESULT SetupUrl(LSBaseFileSyncFilter& filter, UrlLookup lookup, const char* place, const char* lookupFailure,
                 const _bstr_t& property, const CStdStr<wchar_t>& remoteName, int index, ILSPropertyMap* map)
{
    CStdStr<wchar_t> url;
    HRESULT hr = (filter.*lookup)(remoteName, url, index);
    if (FAILED(hr))
        ThrowLogged(place, lookupFailure, hr);
    if (url.empty())
        return hr;
    hr = map->put_ItemStr(property, _bstr_t(url.c_str()));
    if (FAILED(hr))
        ThrowLogged(place, ": put_ItemStr failed ", hr);
    return hr;
}

CStdStr<wchar_t> ExtraProperty(const std::vector<std::map<CStdStr<wchar_t>, CStdStr<wchar_t>>>& entries,
                               size_t index, const CStdStr<wchar_t>& key, const CStdStr<wchar_t>& defaultValue)
{
    if (index >= entries.size())
        return defaultValue;
    const auto found = entries[index].find(key);
    return found == entries[index].end() ? defaultValue : found->second;
}

} // namespace

HRESULT LSBaseFileSyncFilter::SetupFolderUrl(const CStdStr<wchar_t>& remoteName, int index, ILSPropertyMap* map)
{
    return SetupUrl(*this, &LSBaseFileSyncFilter::GetFolderUrl, "LSBaseFileSyncFilter::SetupFolderUrl",
                    ": GetFolderUrl failed ", LSNamedProperties::QuentraFolderLocationUrl, remoteName, index, map);
}

HRESULT LSBaseFileSyncFilter::SetupFileUrl(const CStdStr<wchar_t>& remoteName, int index, ILSPropertyMap* map)
{
    return SetupUrl(*this, &LSBaseFileSyncFilter::GetFileUrl, "LSBaseFileSyncFilter::SetupFileUrl",
                    ": GetFileUrl failed ", LSNamedProperties::QuentraFromServerFileUrl, remoteName, index, map);
}

HRESULT LSBaseFileSyncFilter::SetupFileId(const CStdStr<wchar_t>& remoteName, ILSPropertyMap* map,
                                          bool isNewDocument)
{
    if (!UsesFileIdKey())
        return S_OK;
    CStdStr<wchar_t> id = isNewDocument ? GetFileIdForName(map, remoteName) : remoteName;
    if (id.empty())
        id = remoteName;
    return map->put_ItemStr(LSNamedProperties::QuentraFromServerFileId, _bstr_t(id.c_str()));
}

HRESULT LSBaseFileSyncFilter::GetStoredRemoteFileName(CStdStr<wchar_t>& name, ILSPropertyMap* item,
                                                      CStdStr<wchar_t>& remoteName)
{
    LSPropertyHelpers::CheckPropMap(item);
    TalvernCommon::unique_bstr storedName;
    if (FAILED(item->get_ItemStr(LSNamedProperties::QuentraFromServerFileName, storedName.put())))
        LOG(ERROR) << "Error getting stored remote filename";
    else
        name = CStdStr<wchar_t>(storedName.get());
    remoteName = CStdStr<wchar_t>(storedName.get());

    VARIANT_BOOL hasId = VARIANT_FALSE;
    if (SUCCEEDED(item->get_ItemExists(LSNamedProperties::QuentraFromServerFileId, &hasId)) &&
        hasId == VARIANT_TRUE) {
        TalvernCommon::unique_bstr id;
        if (const HRESULT hr = item->get_ItemStr(LSNamedProperties::QuentraFromServerFileId, id.put()); FAILED(hr)) {
            LOG(ERROR) << "Error getting stored remote filename";
            return hr;
        }
        remoteName = CStdStr<wchar_t>(id.get());
        return S_OK;
    }
    const HRESULT hr = FindFileInFileList(name, remoteName);
    return FAILED(hr) ? hr : S_OK;
}

CStdStr<wchar_t> LSBaseFileSyncFilter::GetServerItemExtraProperty(size_t index, const CStdStr<wchar_t>& key,
                                                                  const CStdStr<wchar_t>& defaultValue) const
{
    const std::optional<PropertyPairs> extra = ServerItemExtraProperties(index);
    if (!extra)
        return defaultValue;
    const auto found = extra->find(key);
    return found == extra->end() ? defaultValue : found->second;
}

std::optional<LSBaseFileSyncFilter::PropertyPairs> LSBaseFileSyncFilter::ServerItemExtraProperties(size_t index) const
{
    if (index >= m_serverItemExtraProperties.size())
        return std::nullopt;
    return m_serverItemExtraProperties[index];
}

CStdStr<wchar_t> LSBaseFileSyncFilter::GetSubFolderExtraProperty(size_t index, const CStdStr<wchar_t>& key,
                                                                 const CStdStr<wchar_t>& defaultValue) const
{
    return ExtraProperty(m_subFolderExtraProperties, index, key, defaultValue);
}

void LSBaseFileSyncFilter::SetServerItemExtraProperty(size_t index, const CStdStr<wchar_t>& key,
                                                      const CStdStr<wchar_t>& value)
{
    if (m_serverItemExtraProperties.size() <= index)
        m_serverItemExtraProperties.resize(index + 1);
    m_serverItemExtraProperties[index].insert_or_assign(key, value);
}
