// Deleting the remote file or folder behind an Outlook item, and creating a remote folder for a
// new Outlook folder.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "LSDiag.h"
#include "LSHash.h"
#include "LSHttpError.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "LSPropertyHelpers.h"
#include "StringUtils.h"

namespace {

// The system's text for an HRESULT; empty when it has none.
CStdStr<wchar_t> SystemMessage(HRESULT hr)
{
    const _com_error error(hr);
    const wchar_t* text = error.ErrorMessage();
    return CStdStr<wchar_t>(text != nullptr ? text : L"");
}

} // namespace

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::GetDeleteFlag(VARIANT_BOOL* flag)
{
    // A host that gives no place for the answer asks nothing: that is no error.
    if (flag != nullptr)
        *flag = VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::DeleteItemAlternate(long, long) { return E_FAIL; }

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::DeleteItemByLocation(ILSPropertyMap* item, BSTR* errorText)
{
    if (!ClearOutParam(errorText, nullptr))
        return E_POINTER;
    CStdStr<wchar_t> error;
    HRESULT hr = S_OK;
    try {
        hr = DeleteRemoteItem(item, error);
    } catch (const CStdStr<wchar_t>& message) {
        LOG(ERROR) << "Error is :" << LSDiag::LogText(message);
        error = message;
        hr = E_FAIL;
    } catch (const _com_error& failure) {
        const _bstr_t description = failure.Description();
        error = description.length() != 0 ? static_cast<const wchar_t*>(description) : L"";
        const wchar_t* systemMessage = failure.ErrorMessage();
        LOG(ERROR) << "Error - " << LSDiag::LogText(error)
                   << " msg=" << LSDiag::LogText(systemMessage != nullptr ? systemMessage : L"");
        hr = E_FAIL;
    } catch (const LSHttpError& failure) {
        error = failure.FormatMessage();
        LOG(ERROR) << "Http Error is :" << LSDiag::LogText(error);
        hr = E_FAIL;
    } catch (HRESULT thrown) {
        error = SystemMessage(thrown);
        hr = thrown;
    } catch (...) {
        error = SystemMessage(E_FAIL);
        hr = E_FAIL;
    }
    if (!error.empty())
        *errorText = StdStrToBstr(error);
    return hr;
}

HRESULT LSBaseFileSyncFilter::DeleteRemoteItem(ILSPropertyMap* item, CStdStr<wchar_t>& errorText)
{
    // The next folder update lists again, whatever happens here.
    m_documentChangedSinceListing = true;
    if (item == nullptr) {
        LOG(ERROR) << "pPropMap cannot be NULL";
        return E_INVALIDARG;
    }
    if (!LSPropertyHelpers::getProp(item, LSNamedProperties::QuentraFolderLocation, L"").empty())
        return DeleteFolderRemote(item, errorText);
    CStdStr<wchar_t> name;
    CStdStr<wchar_t> remoteName;
    const HRESULT hr = GetStoredRemoteFileName(name, item, remoteName);
    if (FAILED(hr))
        return hr;
    return DeleteFileRemote(remoteName, errorText);
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_CreateFolder(long reserved, ILSPropertyMap* parentFolder,
                                                                 ILSPropertyMap* newFolder)
{
    try {
        m_documentChangedSinceListing = true;
        LSPropertyHelpers::CheckPropMap(newFolder);
        const CStdStr<wchar_t> parentLocation =
            LSPropertyHelpers::getRequiredProp(parentFolder, LSNamedProperties::QuentraFolderLocation);
        const CStdStr<wchar_t> name =
            MakeValidRemoteName(LSPropertyHelpers::getRequiredProp(newFolder, LSNamedProperties::DisplayName));
        CStdStr<wchar_t> newLocation;
        const HRESULT hr = CreateDirectoryRemote(reserved, parentLocation, name, newFolder, newLocation);
        if (FAILED(hr)) {
            LOG(ERROR) << "LSBaseFileSyncFilter::raw_CreateFolder" << "Unexpected return: " << std::hex
                       << static_cast<unsigned long>(hr);
            return hr;
        }
        const _bstr_t location(newLocation.c_str());
        if (SUCCEEDED(newFolder->put_ItemStr(LSNamedProperties::QuentraRepositoryType,
                                             _bstr_t(GetRepositoryName().c_str())))) {
            newFolder->put_ItemStr(LSNamedProperties::QuentraRepositoryLocation, location);
            newFolder->put_ItemStr(LSNamedProperties::QuentraFolderLocation, location);
            SetupFolderUrl(newLocation, -1, newFolder);
            newFolder->put_ItemStr(LSNamedProperties::UniqueId, _bstr_t(CLSHash::GetGuidForString(newLocation).c_str()));
            newFolder->put_ItemNum(LSNamedProperties::VersionId, 1);
            newFolder->put_ItemStr(LSNamedProperties::DisplayName, _bstr_t(name.c_str()));
        }
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_CreateFolder")
}
