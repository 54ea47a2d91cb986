// Online questions about one document: changed on Box since the last sync, and a duplicate of its
// content already in the Box folder.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxDuplicates.h"
#include "BoxFileOperations.h"
#include "BoxIds.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "LSPropertyHelpers.h"
#include "LSSetting.h"
#include "StringUtils.h"

#include <optional>

namespace {

const _bstr_t kOverwriteServerETag{L"Quentra.UserRequestedOverwriteServerETag"};
const _bstr_t kOverwriteServerLastModified{L"VESK.UserRequestedOverwriteServerLastModified"};

constexpr long kNoChange = 0;
constexpr long kServerChange = 1;
constexpr long kClientChangeOnly = 2;

bool PerformOnlineDuplicateSearch()
{
    static const bool enabled = LSSetting::GetInstance().GetUserDword(L"BoxSync.PerformOnlineDuplicateSearch", 0) != 0;
    return enabled;
}

int32_t OnlineDuplicateCheckItemLimit()
{
    static const int32_t limit =
        static_cast<int32_t>(LSSetting::GetInstance().GetUserDword(L"BoxSync.OnlineDuplicateCheckItemLimit", 25));
    return limit;
}

// A local change, or an open conflict, means the user's copy is meant to overwrite Box's.
bool UserMeansToOverwrite(ILSPropertyMap* document)
{
    unsigned char unchanged = 0;
    if (SUCCEEDED(document->get_ItemBool(LSNamedProperties::QuentraMessageIsUnchanged, &unchanged)) && unchanged == 0) {
        LS_DIAG_LOG(1) << "HasChanges() - clientChange \n";
        return true;
    }
    return LSPropertyHelpers::getProp(document, LSNamedProperties::QuentraSyncIssueType, L"") == L"CONFLICT";
}

// False when the document has no date of a synchronised Box file, or the user's overwrite
// request carries none.
bool HasSyncDate(ILSPropertyMap* document)
{
    DATE date = 0;
    if (SUCCEEDED(document->get_ItemDate(kOverwriteServerLastModified, &date)))
        return date != 0.0;
    return SUCCEEDED(document->get_ItemDate(LSNamedProperties::RemoteFileLastModified, &date));
}

} // namespace

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_HasChangesOnline(ILSPropertyMap* topFolder,
                                                                      ILSPropertyMap* document, long* changes,
                                                                      ILSShutdownInformer* informer, long)
{
    try {
        if (!ClearOutParam(changes, kNoChange))
            return E_POINTER;
        LS_DIAG_LOG(1) << "HasChangesOnline\n";
        if (document == nullptr) {
            LOG(ERROR) << "VESKBoxSyncFilterImpl::raw_HasChangesOnline" << "Unexpected return: " << std::hex
                       << static_cast<unsigned long>(E_INVALIDARG) << "\n";
            return E_INVALIDARG;
        }
        if (topFolder == nullptr) {
            LOG(ERROR) << "Failed to find top repos prop map\n";
            return E_INVALIDARG;
        }
        const bool overwrite = UserMeansToOverwrite(document);
        if (!HasSyncDate(document))
            return S_OK;

        CStdStr<wchar_t> knownETag;
        for (const _bstr_t& name : {kOverwriteServerETag, LSNamedProperties::QuentraFromServerETag}) {
            const std::optional<CStdStr<wchar_t>> etag = LSPropertyHelpers::tryGetProp(document, name);
            if (!etag)
                continue;
            if (etag->empty() && overwrite && name == kOverwriteServerETag) {
                LS_DIAG_LOG(1) << "HasChanges() - QuentraUserRequestedOverwriteServerETag is empty string returning "
                               << kClientChangeOnly << "\n";
                *changes = kClientChangeOnly;
                return S_OK;
            }
            if (!etag->empty()) {
                knownETag = *etag;
                break;
            }
        }

        const CStdStr<wchar_t> fileId =
            LSPropertyHelpers::getRequiredProp(document, LSNamedProperties::QuentraFromServerFileId);
        if (!Box_20::IsBoxId(fileId))
            throw hresult_exception(E_INVALIDARG, "Not a Box file id: \"" + LSDiag::LogText(fileId) + "\"");
        *changes = Box_20::HasChangesOnline(fileId, knownETag, informer) ? kServerChange : kNoChange;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_HasChangesOnline")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_HasDuplicateOnline(long, ILSPropertyMap* folder, BSTR contentHash,
                                                                        BSTR* duplicateId, long* found,
                                                                        ILSShutdownInformer* informer)
{
    try {
        // Each one given is cleared, also when the other is missing.
        if (!(ClearOutParam(duplicateId, nullptr) & ClearOutParam(found, 0L)))
            return E_POINTER;
        LS_DIAG_LOG(1) << "raw_HasDuplicateOnline start\n";
        const CStdStr<wchar_t> fingerprintTemplate = GetFingerprintMetadataTemplateName();
        if (fingerprintTemplate.empty())
            return S_OK;
        const CStdStr<wchar_t> location = GetFolderLocation(folder);
        const CStdStr<wchar_t> hash(contentHash != nullptr ? contentHash : L"");
        LS_DIAG_LOG(1) << "raw_HasDuplicateOnline folder location: " << LSDiag::LogText(location)
                       << " hash value: " << LSDiag::LogText(hash) << "\n";
        if (!Box_20::IsBoxId(location))
            throw hresult_exception(E_INVALIDARG, "Not a Box folder id: \"" + LSDiag::LogText(location) + "\"");
        const CStdStr<wchar_t> duplicate = SearchDuplicateOnline(
            hash, informer, location, {GetBoxUserId(), GetEmailMetadataTemplateName(), fingerprintTemplate});
        if (duplicate.empty())
            return S_OK;
        *duplicateId = StdStrToBstr(duplicate);
        *found = 1;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_HasDuplicateOnline")
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::SearchDuplicateOnline(const CStdStr<wchar_t>& contentHash,
                                                             ILSShutdownInformer* informer,
                                                             const CStdStr<wchar_t>& folderLocation,
                                                             const Box_20::MetadataScopeRecord& scope)
{
    CStdStr<wchar_t> duplicate;
    if (PerformOnlineDuplicateSearch())
        duplicate = Box_20::RetrieveDuplicateOnline(contentHash, informer, folderLocation, 1, scope, true);
    const int32_t limit = OnlineDuplicateCheckItemLimit();
    if (duplicate.empty() && limit > 0)
        duplicate = Box_20::RetrieveDuplicateOnline(contentHash, informer, folderLocation, limit, scope, false);
    return duplicate;
}
