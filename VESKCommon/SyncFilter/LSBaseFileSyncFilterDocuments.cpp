// New and changed documents going up to the repository.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSHash.h"
#include "LSMapiTags.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"
#include "LSResources.h"
#include "LSSetting.h"
#include "StringUtils.h"

#include <optional>

namespace {

const _bstr_t kOverwriteServerETag{L"Quentra.UserRequestedOverwriteServerETag"};

// Texts of the host's language module.
constexpr UINT kRemoteFileGoneText = 4006;
constexpr UINT kLocalChangeText = 4007;
constexpr UINT kRemoteChangeText = 4008;

// "RemoteFileLastModified" of an item that has no local date.
constexpr DATE kNoLocalDate = -1.0;

_bstr_t TagName(uint32_t tag) { return _bstr_t(ToHexString(tag).c_str()); }

CStdStr<wchar_t> ResourceText(UINT id)
{
    CStdStr<wchar_t> text;
    LoadResourceString(id, text);
    return text;
}

std::optional<CStdStr<wchar_t>> FormatLocalTime(const SYSTEMTIME& utc)
{
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return std::nullopt;
    return FormatDateTimeString(local);
}

// When the user last changed the item, as the user reads times.
CStdStr<wchar_t> LocalChangeTime(ILSPropertyMap* item)
{
    DATE date = 0;
    if (FAILED(item->get_ItemDate(TagName(LSMapiTags::kLastModificationTime), &date)) &&
        FAILED(item->get_ItemDate(TagName(LSMapiTags::kMessageDeliveryTime), &date)))
        return L"Unknown";
    SYSTEMTIME utc{};
    if (!VariantTimeToSystemTime(date, &utc))
        return L"Unknown";
    return FormatLocalTime(utc).value_or(L"Unknown");
}

// The part of the remote name after its last separator; empty when there is none or nothing follows.
CStdStr<wchar_t> LastNamePart(const CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& separators)
{
    if (separators.empty() || remoteName.empty())
        return {};
    const size_t last = remoteName.find_last_of(separators);
    if (last == std::wstring::npos || last + 1 == remoteName.size())
        return {};
    return remoteName.substr(last + 1);
}

} // namespace

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_AddNewDocument(BSTR localPath, BSTR documentName, long,
                                                                   ILSPropertyMap* item)
{
    try {
        return AddOrUpdateDocument(true, localPath != nullptr ? localPath : L"",
                                   documentName != nullptr ? documentName : L"", item);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_AddNewDocument")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_UpdateDocument(BSTR localPath, BSTR documentName, long,
                                                                   ILSPropertyMap* item)
{
    try {
        const HRESULT hr = AddOrUpdateDocument(false, localPath != nullptr ? localPath : L"",
                                               documentName != nullptr ? documentName : L"", item);
        if (SUCCEEDED(hr)) {
            LONG version = 0;
            item->get_ItemNum(LSNamedProperties::VersionId, &version);
            item->put_ItemNum(LSNamedProperties::VersionId, version + 1);
        }
        return hr;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_UpdateDocument")
}

HRESULT LSBaseFileSyncFilter::AddOrUpdateDocument(bool isNewDocument, const wchar_t* localPath,
                                                  const wchar_t* documentName, ILSPropertyMap* item)
{
    m_documentChangedSinceListing = true;
    LSPropertyHelpers::CheckPropMap(item);
    CStdStr<wchar_t> remoteName;
    const HRESULT hr = AddFile(isNewDocument, &remoteName, item, documentName, localPath);
    if (FAILED(hr)) {
        LOG(ERROR) << "Failed to upload file";
        return hr;
    }
    // An update that sent nothing keeps the identity the item already has.
    if (remoteName.empty() && !isNewDocument) {
        CStdStr<wchar_t> name(documentName);
        if (FAILED(LSBaseFileSyncFilter::GetStoredRemoteFileName(name, item, remoteName)))
            remoteName.clear();
    }
    if (remoteName.empty() && isNewDocument) {
        LOG(ERROR) << "LSBaseFileSyncFilter::AddOrUpdateDocument: the repository named no stored file for "
                   << LSDiag::LogText(documentName);
        LSPropertyHelpers::SetSyncIssue(item, L"ERROR", L"The document was not stored in the repository.");
        return E_FAIL;
    }

    if (!remoteName.empty())
        item->put_ItemStr(LSNamedProperties::UniqueId, _bstr_t(CLSHash::GetGuidForString(remoteName).c_str()));
    item->put_ItemNum(LSNamedProperties::VersionId, 1);
    item->put_ItemStr(LSNamedProperties::DisplayName, _bstr_t(documentName));
    CStdStr<wchar_t> fileName = LastNamePart(remoteName, GetPathSeparator());
    if (fileName.empty())
        fileName = documentName;
    item->put_ItemStr(LSNamedProperties::QuentraFromServerFileName, _bstr_t(fileName.c_str()));
    if (!remoteName.empty()) {
        SetupFileId(remoteName, item, isNewDocument);
        SetupFileUrl(remoteName, -1, item);
    }

    const bool urgent = LSPropertyHelpers::getProp(item, LSNamedProperties::VESKUrgentUpload, false);
    const bool interim = LSPropertyHelpers::HasInterimVersionData(item);
    if (!IsMailFileExtension(documentName) && (interim || urgent)) {
        DATE lastModified = 0;
        if (SUCCEEDED(item->get_ItemDate(LSNamedProperties::RemoteFileLastModified, &lastModified)) &&
            lastModified != 0.0)
            item->put_ItemDate(TagName(LSMapiTags::kMessageDeliveryTime), lastModified);
    }
    if (isNewDocument && !urgent)
        item->put_ItemDate(LSNamedProperties::RemoteFileLastModified, kNoLocalDate);
    if (LSSetting::GetInstance().GetUserDword(L"VESK.RemoveLocalDateOnUpload", 1) != 0 && !interim && !urgent)
        item->put_ItemDate(LSNamedProperties::RemoteFileLastModified, kNoLocalDate);
    return S_OK;
}

HRESULT LSBaseFileSyncFilter::AddFile(bool isNewDocument, CStdStr<wchar_t>* remoteName, ILSPropertyMap* item,
                                      CStdStr<wchar_t> documentName, CStdStr<wchar_t> localPath)
{
    try {
        documentName = MakeValidRemoteName(documentName);
        if (isNewDocument) {
            if (!CheckDuplicatesOnAdd()) {
                bool exists = false;
                const HRESULT hr = FileExistsRemote(documentName, exists, true);
                if (FAILED(hr)) {
                    LOG(ERROR) << "Failed determining if file exists already " << std::hex
                               << static_cast<unsigned long>(hr);
                    throw hr;
                }
                if (exists) {
                    if (FAILED(item->put_ItemStr(LSNamedProperties::QuentraSyncIssueType, _bstr_t(L"DUPLICATE"))))
                        LOG(ERROR) << "Failed to set property on IPropertyMap: QuentraSyncIssueType to DUPLICATE";
                    return E_FAIL;
                }
            }
        } else {
            const HRESULT hr = CheckUpdateMayProceed(documentName, item);
            if (hr != S_OK)
                return hr;
        }

        item->put_ItemStr(LSNamedProperties::QuentraSyncIssueType, _bstr_t(L""));
        const bool contentChanged = LSPropertyHelpers::getProp(item, LSNamedProperties::QuentraIsContentChanged, false);
        if (isNewDocument || contentChanged || AlwaysUploadContent()) {
            const HRESULT hr = CopyFileRemote(localPath, documentName, item, !isNewDocument, *remoteName);
            if (FAILED(hr) || isNewDocument)
                return hr;
        }

        const CStdStr<wchar_t> newName = LSPropertyHelpers::getProp(item, LSNamedProperties::VESKRenamedFilename, L"");
        if (!newName.empty()) {
            if (remoteName->empty()) {
                CStdStr<wchar_t> storedName;
                const HRESULT hr = LSBaseFileSyncFilter::GetStoredRemoteFileName(documentName, item, storedName);
                if (FAILED(hr))
                    return hr;
                *remoteName = storedName;
            }
            const HRESULT hr = RenameRemoteFile(*remoteName, newName);
            if (FAILED(hr))
                return hr;
        }
        OnAfterAddFile(item);
        return S_OK;
    } catch (const _com_error& error) {
        const _bstr_t description = error.Description();
        const CStdStr<wchar_t> text(description.length() != 0 ? static_cast<const wchar_t*>(description) : L"");
        LSPropertyHelpers::SetSyncIssue(item, L"ERROR", text);
        const wchar_t* systemMessage = error.ErrorMessage();
        LOG(ERROR) << "LSBaseFileSyncFilter::AddFile: Caught _com_error at interface when adding file - " << std::hex
                   << static_cast<unsigned long>(error.Error()) << ", desc=" << LSDiag::LogText(text)
                   << " msg=" << LSDiag::LogText(systemMessage != nullptr ? systemMessage : L"");
        return error.Error();
    } catch (const hresult_exception& error) {
        const CStdStr<wchar_t> text = AnsiToWide(error.what());
        if (!text.empty())
            LSPropertyHelpers::SetSyncIssue(item, L"ERROR", text);
        LOG(ERROR) << "LSBaseFileSyncFilter::AddFile: Caught hresult_exception at interface when adding file - "
                   << std::hex << static_cast<unsigned long>(error.hr()) << ", desc=" << error.what();
        return error.hr();
    }
}

// S_OK when the changed document may go up: it is still on the server and nobody changed it
// there since it came down. Otherwise the item carries the reason and the result is a failure.
HRESULT LSBaseFileSyncFilter::CheckUpdateMayProceed(CStdStr<wchar_t>& documentName, ILSPropertyMap* item)
{
    CStdStr<wchar_t> nameToTest = documentName;
    bool nameIsDocumentName = true;
    if (UsesFileIdKey()) {
        const HRESULT hr = GetStoredRemoteFileName(documentName, item, nameToTest);
        if (FAILED(hr))
            return hr;
        nameIsDocumentName = false;
    }
    bool exists = false;
    HRESULT hr = FileExistsRemote(nameToTest, exists, nameIsDocumentName);
    if (FAILED(hr))
        return hr;
    if (!exists) {
        LSPropertyHelpers::SetSyncIssue(item, L"ERROR", ResourceText(kRemoteFileGoneText));
        return E_FAIL;
    }

    std::optional<CStdStr<wchar_t>> knownETag = LSPropertyHelpers::tryGetProp(item, LSNamedProperties::QuentraFromServerETag);
    if (!knownETag)
        return S_OK;
    if (std::optional<CStdStr<wchar_t>> overwrite = LSPropertyHelpers::tryGetProp(item, kOverwriteServerETag))
        knownETag = std::move(overwrite);
    if (knownETag->empty())
        return S_OK;
    CStdStr<wchar_t> remoteName;
    hr = GetStoredRemoteFileName(documentName, item, remoteName);
    if (FAILED(hr))
        return hr;
    CStdStr<wchar_t> remoteETag;
    hr = GetRemoteETag(remoteName, remoteETag);
    if (FAILED(hr))
        return hr;
    if (remoteETag == *knownETag)
        return S_OK;
    return ReportConflict(item, remoteName, remoteETag);
}

HRESULT LSBaseFileSyncFilter::ReportConflict(ILSPropertyMap* item, const CStdStr<wchar_t>& remoteName,
                                             const CStdStr<wchar_t>& remoteETag)
{
    item->put_ItemStr(LSNamedProperties::QuentraSyncIssueType, _bstr_t(L"CONFLICT"));
    item->put_ItemStr(LSNamedProperties::QuentraRemoteChangeETag, _bstr_t(remoteETag.c_str()));
    CStdStr<wchar_t> info = ResourceText(kLocalChangeText) + LocalChangeTime(item) + L".";
    SYSTEMTIME remoteTime{};
    if (ParseRemoteDateTime(remoteName, remoteTime))
        info += ResourceText(kRemoteChangeText) + FormatLocalTime(remoteTime).value_or(L"") + L".";
    const HRESULT hr = item->put_ItemStr(LSNamedProperties::QuentraLocalChangeInfo, _bstr_t(info.c_str()));
    if (FAILED(hr)) {
        LOG(ERROR) << "Failed to set local change info at conflict:" << LSDiag::LogText(remoteName);
        return hr;
    }
    return E_FAIL;
}
