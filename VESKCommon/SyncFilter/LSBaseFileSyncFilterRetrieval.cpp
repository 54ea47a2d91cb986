// Server items brought down to local paths, and the content hash that identifies a download for
// repositories without entity tags of their own.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "LSDiag.h"
#include "LSHash.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "StringUtils.h"

namespace {

// The hash of zero bytes: what a file that yields no hash is recorded as.
constexpr wchar_t kEmptyContentHash[] = L"{D98C1DD4-008F-04B2-E980-0998ECF8427E}";

} // namespace

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_RetrieveItemToPath(unsigned short index, BSTR localPath,
                                                                       BSTR* fileName, ILSPropertyMap* item,
                                                                       VARIANT_BOOL skipDownload, BSTR extra)
{
    constexpr char kMethod[] = "LSBaseFileSyncFilter::raw_RetrieveItemToPath";
    try {
        ClearOutParam(fileName, nullptr);
        if (index >= m_itemNames.size())
            return E_INVALIDARG;
        if (CacheLastModified(index) == kUnknownRemoteDate)
            return E_FAIL;
        const CStdStr<wchar_t> path = CStdStr<wchar_t>(localPath);
        if (path.empty())
            return S_OK;
        const CStdStr<wchar_t> remoteId = GetRemoteItemId(index);
        // The name goes to the caller only with a result it can use; a failure leaves nothing to free.
        TalvernCommon::unique_bstr name(fileName != nullptr ? StdStrToBstr(m_itemNames[index]) : nullptr);
        const auto handOutName = [&](HRESULT hr) {
            if (fileName != nullptr)
                *fileName = name.release();
            return hr;
        };
        if (skipDownload == VARIANT_FALSE) {
            const HRESULT hr = CopyFileToLocal(remoteId, path, item, CStdStr<wchar_t>(extra));
            if (hr == S_FALSE) {
                LS_DIAG_LOG(1) << "Failed to download local content - suppressing error";
                return handOutName(S_FALSE);
            }
            if (FAILED(hr)) {
                LOG(ERROR) << kMethod << "Unexpected return: " << std::hex << static_cast<unsigned long>(hr);
                return hr;
            }
        }
        if (UsesRemoteETag())
            return handOutName(S_OK);
        const CStdStr<wchar_t> hash = GetHashForLocalFile(path);
        m_etags[index] = hash;
        const _bstr_t hashText(hash.c_str());
        if (item == nullptr || FAILED(item->put_ItemStr(LSNamedProperties::QuentraFromServerETag, hashText)))
            LOG(ERROR) << "Error setting hash";
        return handOutName(S_OK);
    }
    LS_INTERFACE_CATCH_ALL(kMethod)
}

CStdStr<wchar_t> LSBaseFileSyncFilter::GetHashForLocalFile(const CStdStr<wchar_t>& localPath) const
{
    const CStdStr<wchar_t> hash = HashLocalFileOrEmpty(localPath);
    return hash.empty() ? CStdStr<wchar_t>(kEmptyContentHash) : hash;
}

CStdStr<wchar_t> LSBaseFileSyncFilter::HashLocalFileOrEmpty(const CStdStr<wchar_t>& localPath) const
{
    CStdStr<wchar_t> hash;
    CLSHash::GetHashForLocalFile(hash, localPath, [this] { return HostAsksToStop(); });
    return hash;
}

bool LSBaseFileSyncFilter::HostAsksToStop() const
{
    if (!m_shutdownInformer) {
        LOG(ERROR) << "Filter not configured to handle shutdown, add COM_INTERFACE_ENTRY(ILSNeedsShutdownInfo) to "
                      "COM_MAP for filter";
        return false;
    }
    VARIANT_BOOL shuttingDown = VARIANT_FALSE;
    return SUCCEEDED(m_shutdownInformer->get_IsShuttingDown(&shuttingDown)) && shuttingDown != VARIANT_FALSE;
}
