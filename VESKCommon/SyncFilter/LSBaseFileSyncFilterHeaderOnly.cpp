// Items of which only the header is synchronised at first: fetching one item's content or
// properties on demand, and the temporary path under which such an item is announced.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "LSPropertyHelpers.h"
#include "StringUtils.h"

namespace {

// What a Windows path component cannot hold: the reserved characters and the control characters.
const CStdStr<wchar_t>& TempPathUnsafeCharacters()
{
    static const CStdStr<wchar_t> characters = [] {
        CStdStr<wchar_t> set = L"\\/:?\"<>|*";
        for (wchar_t control = 0; control < 32; ++control)
            set.push_back(control);
        return set;
    }();
    return characters;
}

void LogUnexpectedReturn(HRESULT hr)
{
    LOG(ERROR) << "LSBaseFileSyncFilter::RetrieveIndividualItemToPathInternal" << "Unexpected return: " << std::hex
               << static_cast<unsigned long>(hr);
}

} // namespace

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_RetrieveIndividualItemToPath(ILSPropertyMap* item, BSTR localPath,
                                                                                 BSTR* fileName,
                                                                                 VARIANT_BOOL alreadyLocal, BSTR extra)
{
    try {
        // The name goes to the caller only with a result it can use; a failure leaves nothing to free.
        ClearOutParam(fileName, nullptr);
        TalvernCommon::unique_bstr name;
        const HRESULT hr =
            RetrieveIndividualItemToPathInternal(item, localPath != nullptr ? localPath : L"",
                                                 fileName != nullptr ? name.put() : nullptr,
                                                 alreadyLocal == VARIANT_TRUE, CStdStr<wchar_t>(extra));
        if (SUCCEEDED(hr) && fileName != nullptr)
            *fileName = name.release();
        return hr;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_RetrieveIndividualItemToPath")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::SetHeaderOnlyFlag(long, long)
{
    m_headerOnly = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::NotifyHeaderOnly() { return S_OK; }

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_RetrieveIndividualItemToPathProperties(ILSPropertyMap* item)
{
    try {
        LS_DIAG_LOG(1) << "raw_RetrieveIndividualItemToPathProperties ";
        CStdStr<wchar_t> name;
        CStdStr<wchar_t> remoteName;
        const HRESULT hr = GetStoredRemoteFileName(name, item, remoteName);
        if (FAILED(hr)) {
            LOG(ERROR) << "Unable to locate document id hr:" << std::hex << static_cast<unsigned long>(hr);
            return hr;
        }
        return RetrieveIndividualItemToPathProperties(remoteName, item);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_RetrieveIndividualItemToPathProperties")
}

HRESULT LSBaseFileSyncFilter::RetrieveIndividualItemToPathInternal(ILSPropertyMap* item, const wchar_t* localPath,
                                                                   BSTR* fileName, bool alreadyLocal,
                                                                   const CStdStr<wchar_t>& extra)
{
    LSPropertyHelpers::CheckPropMap(item);
    CStdStr<wchar_t> name = LSPropertyHelpers::getProp(item, LSNamedProperties::QuentraFromServerFileName, L"");
    if (fileName != nullptr)
        *fileName = StdStrToBstr(name);

    const CStdStr<wchar_t> path(localPath);
    CStdStr<wchar_t> etag;
    if (!alreadyLocal) {
        CStdStr<wchar_t> remoteName;
        HRESULT hr = GetStoredRemoteFileName(name, item, remoteName);
        if (SUCCEEDED(hr) && UsesRemoteETag())
            hr = GetRemoteETag(remoteName, etag);
        if (FAILED(hr)) {
            LogUnexpectedReturn(hr);
            return hr;
        }
        hr = CopyFileToLocal(remoteName, path, item, extra);
        if (hr == S_FALSE) {
            LS_DIAG_LOG(1) << "Failed to download local content - suppressing error";
            return S_FALSE;
        }
        if (FAILED(hr)) {
            LogUnexpectedReturn(hr);
            return hr;
        }
    }
    if (!UsesRemoteETag()) {
        etag = HashLocalFileOrEmpty(path);
        if (etag.empty()) {
            // A stop leaves the file for the next attempt; a file that cannot be read is no use.
            if (HostAsksToStop())
                return E_ABORT;
            ::DeleteFileW(path.c_str());
            return E_FAIL;
        }
    }
    if (!etag.empty() && FAILED(item->put_ItemStr(LSNamedProperties::QuentraFromServerETag, _bstr_t(etag.c_str()))))
        LOG(ERROR) << "Error setting hash";
    return S_OK;
}

CStdStr<wchar_t> LSBaseFileSyncFilter::MakeIndividualItemTempPath(const CStdStr<wchar_t>& name, int number)
{
    const CStdStr<wchar_t>& unsafe = TempPathUnsafeCharacters();
    return FormatWide(L"%s_%s\\%s_%d", ReplaceCharsInString(m_repositoryLocation, unsafe),
                      ReplaceCharsInString(m_folderLocation, unsafe), ReplaceCharsInString(name, unsafe), number);
}

CStdStr<wchar_t> LSBaseFileSyncFilter::ReplaceCharsInString(const CStdStr<wchar_t>& text,
                                                            const CStdStr<wchar_t>& characters)
{
    CStdStr<wchar_t> replaced = text;
    for (wchar_t& character : replaced) {
        if (characters.find(character) != CStdStr<wchar_t>::npos)
            character = L' ';
    }
    return replaced;
}
