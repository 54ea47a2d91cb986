// The main folder's properties with what Box adds: the single document a start point named.
#include "VESKBoxSyncFilterImpl.h"

#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"

namespace {

void PutMainFolderText(ILSPropertyMap* folderMap, const _bstr_t& name, const CStdStr<wchar_t>& value)
{
    const HRESULT hr = folderMap->put_ItemStr(name, _bstr_t(value.c_str()));
    if (SUCCEEDED(hr))
        return;
    LOG(ERROR) << "VESKBoxSyncFilterImpl::raw_SetMainFolderProperties" << ": put_ItemStr failed " << std::hex
               << static_cast<unsigned long>(hr) << "\n";
    throw hr;
}

} // namespace

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetMainFolderProperties(ILSPropertyMap* folderMap)
{
    try {
        LSPropertyHelpers::CheckPropMap(folderMap);
        const uint64_t startPoint = NewestStartPoint();
        // The document filter goes on whatever the base answered, unless a start point set while the
        // base waited for Box made it another folder's.
        const HRESULT hr = LSBaseFileSyncFilter::raw_SetMainFolderProperties(folderMap);
        if (IsOvertaken(startPoint))
            return hr;
        if (!m_filterPropertyName.empty() && !m_filterPropertyValue.empty()) {
            PutMainFolderText(folderMap, LSNamedProperties::FilterPropertyName, m_filterPropertyName);
            PutMainFolderText(folderMap, LSNamedProperties::FilterPropertyValue, m_filterPropertyValue);
            if (!m_resolvedRepositoryLocation.empty())
                PutMainFolderText(folderMap, LSNamedProperties::QuentraRepositoryLocation,
                                  m_resolvedRepositoryLocation);
        }
        return hr;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetMainFolderProperties")
}
