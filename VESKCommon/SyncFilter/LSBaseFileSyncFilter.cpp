// Construction, settings and the base answers of the storage operations.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSSetting.h"
#include "StringUtils.h"

#include <limits>

namespace {

constexpr DWORD kDefaultMaxFileSizeKB = 51200;
constexpr wchar_t kMaxFileSizeSuffix[] = L".MaxFileSizeInKB";
constexpr wchar_t kExcludeFileRegExSuffix[] = L".ExcludeFileRegEx";
constexpr wchar_t kEmailFileIdPropertySetting[] = L"SharePointSync.EmailFileIdProperty";
constexpr wchar_t kDefaultEmailFileIdProperty[] = L"ows-EmailFileId";

// A setting large enough to overflow 32 bits means "no practical limit", not a tiny one.
uint32_t KilobytesToBytes(DWORD kilobytes)
{
    constexpr uint64_t kMaxBytes = std::numeric_limits<uint32_t>::max();
    const uint64_t bytes = static_cast<uint64_t>(kilobytes) * 1024;
    return static_cast<uint32_t>(bytes < kMaxBytes ? bytes : kMaxBytes);
}

// An empty regular expression finds every name, so an empty piece of the setting excludes
// nothing. Nor does a piece that is no regular expression: one typing error in the setting must
// not keep the filter from being created.
std::wregex MakeExclusionPattern(const CStdStr<wchar_t>& piece, const CStdStr<wchar_t>& settingName)
{
    const auto flags = std::regex_constants::ECMAScript | std::regex_constants::icase;
    const std::wregex matchesNothing(L"(?!)", flags);
    if (piece.empty())
        return matchesNothing;
    try {
        return std::wregex(piece.c_str(), flags);
    } catch (const std::regex_error& error) {
        LOG(ERROR) << "Invalid exclusion pattern in " << LSDiag::LogText(settingName) << ", it excludes nothing: "
                   << LSDiag::LogText(piece) << " (" << error.what() << ")";
        return matchesNothing;
    }
}

} // namespace

LSBaseFileSyncFilter::LSBaseFileSyncFilter() = default;

LSBaseFileSyncFilter::~LSBaseFileSyncFilter() = default;

void LSBaseFileSyncFilter::InitSettings(const CStdStr<wchar_t>& prefix)
{
    const LSSetting& settings = LSSetting::GetInstance();
    m_maxFileSizeBytes = KilobytesToBytes(settings.GetUserDword(prefix + kMaxFileSizeSuffix, kDefaultMaxFileSizeKB));

    const CStdStr<wchar_t> exclusionSetting = prefix + kExcludeFileRegExSuffix;
    if (m_exclusionPatternText.empty()) {
        m_exclusionPatternText = settings.GetUserString(exclusionSetting, L"");
        // Registry editors cannot enter line breaks, so the setting may spell them as "\n".
        m_exclusionPatternText.Replace(L"\\n", L"\n");
    }
    for (const CStdStr<wchar_t>& piece : SplitString(m_exclusionPatternText, L"\n"))
        m_exclusionPatterns.push_back(MakeExclusionPattern(piece, exclusionSetting));
}

CStdStr<wchar_t> LSBaseFileSyncFilter::GetEmailFileIdPropertyName()
{
    static const CStdStr<wchar_t> name =
        LSSetting::GetInstance().GetUserString(kEmailFileIdPropertySetting, kDefaultEmailFileIdProperty);
    return name;
}

// ---- Base answers of the storage operations ------------------------------------------------

HRESULT LSBaseFileSyncFilter::FileExistsRemote(const CStdStr<wchar_t>& name, bool& exists, bool)
{
    return RemoteNameExists(name, exists);
}

bool LSBaseFileSyncFilter::AlwaysUploadContent() const { return false; }

bool LSBaseFileSyncFilter::CheckDuplicatesOnAdd() const { return false; }

bool LSBaseFileSyncFilter::UsesFileIdKey() const { return CheckDuplicatesOnAdd(); }

bool LSBaseFileSyncFilter::AllowsDocumentsInMainFolder() const { return true; }

bool LSBaseFileSyncFilter::AllowsDocumentsInSubFolders() const { return true; }

HRESULT LSBaseFileSyncFilter::GetFieldSetInfoInternal(ILSVESKFieldSetInfo** fieldSetInfo)
{
    if (fieldSetInfo != nullptr)
        *fieldSetInfo = nullptr;
    return E_INVALIDARG;
}

void LSBaseFileSyncFilter::OnSyncStartPointSet() {}

HRESULT LSBaseFileSyncFilter::DeleteFolderRemote(ILSPropertyMap*, CStdStr<wchar_t>&)
{
    LOG(ERROR) << "DeleteFolderRemote not implemented";
    return E_NOTIMPL;
}

bool LSBaseFileSyncFilter::CanSkipStartPointListing(ILSPropertyMap*) const { return false; }

bool LSBaseFileSyncFilter::SetCheckoutUserProperty(unsigned short, ILSPropertyMap*) { return false; }

bool LSBaseFileSyncFilter::SetHeaderMapiProperties(const CStdStr<wchar_t>&, ILSPropertyMap*) { return false; }

CStdStr<wchar_t> LSBaseFileSyncFilter::GetFileIdForName(ILSPropertyMap*, const CStdStr<wchar_t>&) const { return {}; }

HRESULT LSBaseFileSyncFilter::RetrieveIndividualItemToPathProperties(const CStdStr<wchar_t>&, ILSPropertyMap*)
{
    LS_DIAG_LOG(1) << "Base function RetrieveIndividualItemToPathProperties, doesn't do anything, need to override in "
                      "each filter";
    return S_FALSE;
}

bool LSBaseFileSyncFilter::UsesRemoteETag() const { return false; }

bool LSBaseFileSyncFilter::TreatAsUnchanged(unsigned short, ILSPropertyMap*) { return false; }

bool LSBaseFileSyncFilter::AllowsFolderCreation() const { return true; }

HRESULT LSBaseFileSyncFilter::StoreChangeToken(ILSPropertyMap*) { return S_OK; }

CStdStr<wchar_t> LSBaseFileSyncFilter::GetItemDisplayName(unsigned short, const CStdStr<wchar_t>& name) const
{
    return name;
}

CStdStr<wchar_t> LSBaseFileSyncFilter::GetSubFolderDisplayName(unsigned short, const CStdStr<wchar_t>& name) const
{
    return name;
}

HRESULT LSBaseFileSyncFilter::OnAfterAddFile(ILSPropertyMap*) { return S_OK; }

bool LSBaseFileSyncFilter::HasChangeToken() const { return false; }

HRESULT LSBaseFileSyncFilter::LoadServerItems(long* count)
{
    if (count != nullptr)
        *count = 0;
    return E_NOTIMPL;
}

HRESULT LSBaseFileSyncFilter::GetServerItemId(unsigned long, CStdStr<wchar_t>&) { return E_NOTIMPL; }

CStdStr<wchar_t> LSBaseFileSyncFilter::GetKeyPropertyName() const
{
    return static_cast<const wchar_t*>(LSNamedProperties::QuentraFromServerFileName);
}
