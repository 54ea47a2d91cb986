// Which side changed a server item since the Outlook item was last brought up to date.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"
#include "LSSyncHelper.h"

namespace {

enum ChangeResult : long { kNoChange = 0, kServerChanged = 1, kClientChanged = 2, kBothChanged = 4 };
constexpr wchar_t kConflictIssue[] = L"CONFLICT";

} // namespace

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_HasChanges(unsigned short index, ILSPropertyMap* item,
                                                               long* changes)
{
    try {
        if (changes == nullptr)
            return E_POINTER;
        if (index >= m_itemNames.size())
            return E_INVALIDARG;
        LSPropertyHelpers::CheckPropMap(item);
        const DATE remote = CacheLastModified(index);
        if (remote == kUnknownRemoteDate)
            return E_FAIL;
        const CStdStr<wchar_t>& name = m_itemNames[index];
        LS_DIAG_LOG(1) << "HasChanges for item: " << index << " => " << LSDiag::LogText(name);

        unsigned char unchanged = 0;
        const bool clientChanged =
            SUCCEEDED(item->get_ItemBool(LSNamedProperties::QuentraMessageIsUnchanged, &unchanged)) && unchanged == 0;

        DATE local = 0;
        if (FAILED(item->get_ItemDate(LSNamedProperties::RemoteFileLastModified, &local))) {
            LS_DIAG_LOG(1) << "No Local date (probably just uploaded file?) isClientChanged? : " << clientChanged
                           << " for file:" << LSDiag::LogText(name);
            *changes = clientChanged ? kBothChanged : kServerChanged;
            return S_OK;
        }
        LS_DIAG_LOG(1) << "HasChanges for " << LSDiag::LogText(name)
                       << " LocalMod:" << LSDiag::LogText(LSSyncHelper::FormatDateTime(local))
                       << " RemoteMod: " << LSDiag::LogText(LSSyncHelper::FormatDateTime(remote));

        // NaN compares unequal, so it counts as different dates.
        const bool same = (remote == local && !SetCheckoutUserProperty(index, item)) || TreatAsUnchanged(index, item);
        if (!same) {
            LS_DIAG_LOG(1) << "Remote Version changed:" << GetRemoteVersion(index);
            const CStdStr<wchar_t> issue = LSPropertyHelpers::getProp(item, LSNamedProperties::QuentraSyncIssueType, L"");
            const bool conflict = clientChanged || issue == kConflictIssue;
            LS_DIAG_LOG(1) << (conflict ? ": Both changed: " : ": Server version changed: ");
            *changes = conflict ? kBothChanged : kServerChanged;
            return S_OK;
        }

        LS_DIAG_LOG(1) << "Dates seem the same";
        VARIANT_BOOL hasVersion = VARIANT_FALSE;
        const HRESULT exists = item->get_ItemExists(LSNamedProperties::QuentraFromServerVersion, &hasVersion);
        if (FAILED(exists))
            _com_issue_error(exists);
        if (hasVersion == VARIANT_TRUE) {
            const CStdStr<wchar_t> remoteVersion =
                std::to_wstring(static_cast<unsigned int>(GetRemoteVersion(index)));
            TalvernCommon::unique_bstr stored;
            if (const HRESULT hr = item->get_ItemStr(LSNamedProperties::QuentraFromServerVersion, stored.put());
                FAILED(hr)) {
                LOG(ERROR) << ":Failed to get QuentraFromServerVersion Property" << std::hex
                           << static_cast<unsigned long>(hr);
                return E_FAIL;
            }
            const CStdStr<wchar_t> storedVersion(stored.get());
            if (!storedVersion.Equals(remoteVersion, false)) {
                LS_DIAG_LOG(1) << "No changes, but local/remote version strings differ:"
                               << LSDiag::LogText(storedVersion) << "/" << LSDiag::LogText(remoteVersion);
                *changes = clientChanged ? kBothChanged : kServerChanged;
                return S_OK;
            }
        }
        LS_DIAG_LOG(1) << "No server changes: client changes? " << clientChanged;
        *changes = clientChanged ? kClientChanged : kNoChange;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_HasChanges")
}
