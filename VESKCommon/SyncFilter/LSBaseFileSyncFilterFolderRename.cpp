// A folder the user renamed in Outlook is renamed on the repository side.
#include "LSBaseFileSyncFilter.h"

#include "ComOwners.h"
#include "LSDiag.h"
#include "LSMapiTags.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "StringUtils.h"

namespace {
} // namespace

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_UpdateFolder(long, ILSPropertyMap* mapiFolder,
                                                                 ILSPropertyMap* syncFolder, VARIANT_BOOL* renamed)
{
    try {
        if (!ClearOutParam(renamed, VARIANT_FALSE))
            return E_POINTER;
        if (mapiFolder == nullptr || syncFolder == nullptr)
            return E_INVALIDARG;
        TalvernCommon::unique_bstr newName;
        if (FAILED(mapiFolder->get_ItemStr(_bstr_t(ToHexString(LSMapiTags::kDisplayName).c_str()), newName.put()))) {
            LOG(ERROR) << "Failed to get PR_DISPLAY_NAME_W";
            return E_FAIL;
        }
        TalvernCommon::unique_bstr oldName;
        if (FAILED(syncFolder->get_ItemStr(LSNamedProperties::QuentraFromServerFileName, oldName.put()))) {
            LOG(ERROR) << "Failed to get ows-FileLeafRef";
            return S_OK;
        }
        const CStdStr<wchar_t> newText(newName.get());
        // Letter case counts: a folder renamed only in case is renamed on the server too.
        if (newText == CStdStr<wchar_t>(oldName.get()))
            return S_OK;

        CStdStr<wchar_t> location = GetFolderLocation(syncFolder);
        LS_DIAG_LOG(1) << "raw_UpdateFolder folder location: " << LSDiag::LogText(location);
        const HRESULT hr = RenameRemoteFolder(location, newText, syncFolder);
        if (SUCCEEDED(hr))
            *renamed = VARIANT_TRUE;
        return hr;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_UpdateFolder")
}
