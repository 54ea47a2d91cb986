// Finding Box folders to add as repositories: by name, by folder id, and a folder's children.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxChildFolders.h"
#include "BoxConstants.h"
#include "BoxFolderOperations.h"
#include "BoxFolderSearch.h"
#include "BoxFolderSelection.h"
#include "BoxIds.h"
#include "BstrText.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSOutParams.h"
#include "LSRepositoryToAdd.h"
#include "LSResources.h"
#include "LSSetting.h"
#include "StringUtils.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace {

constexpr UINT kScopeParameterPromptString = 4248;
constexpr wchar_t kFolderIdQueryPrefix[] = L"f:";
constexpr wchar_t kExcludeFolderRegexSetting[] = L"BoxSync.ExcludeFolderRegEx";
constexpr wchar_t kResultSeparator[] = L"\n";

// The folder ids of an "f:" query: the runs between 'f' and ':' characters.
std::vector<CStdStr<wchar_t>> FolderIdTokens(const CStdStr<wchar_t>& query)
{
    std::vector<CStdStr<wchar_t>> tokens;
    CStdStr<wchar_t> token;
    for (const wchar_t c : query) {
        if (c == L'f' || c == L':') {
            if (!token.empty())
                tokens.push_back(std::move(token));
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty())
        tokens.push_back(std::move(token));
    return tokens;
}

// Child folders sort by name in the user's collation, ignoring letter case.
bool CompareFolderRecords(const Box_20::FolderRecord& first, const Box_20::FolderRecord& second)
{
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, first.Name.c_str(),
                            static_cast<int>(first.Name.size()), second.Name.c_str(),
                            static_cast<int>(second.Name.size())) == CSTR_LESS_THAN;
}

// The exclusions of every setting text seen in the process, each text compiled once.
class ProcessExclusions {
public:
    std::vector<std::wregex> AddAndGet(const CStdStr<wchar_t>& settingText)
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        if (!settingText.empty() && m_texts.count(settingText) == 0) {
            std::vector<std::wregex> compiled = Compile(settingText);
            m_patterns.insert(m_patterns.end(), compiled.begin(), compiled.end());
            m_texts.insert(settingText);
        }
        return m_patterns;
    }

private:
    // One pattern a line; "\n" written out stands for a line break. A blank line is no pattern:
    // an empty expression would match, and so exclude, every folder.
    static std::vector<std::wregex> Compile(CStdStr<wchar_t> text)
    {
        text.Replace(L"\\n", L"\n");
        std::vector<std::wregex> patterns;
        for (const CStdStr<wchar_t>& line : SplitString(text, L"\n")) {
            if (!line.empty())
                patterns.emplace_back(line, std::regex::ECMAScript | std::regex::icase);
        }
        return patterns;
    }

    std::mutex m_lock;
    std::set<CStdStr<wchar_t>> m_texts;
    std::vector<std::wregex> m_patterns;
};

ProcessExclusions& Exclusions()
{
    static ProcessExclusions exclusions;
    return exclusions;
}

} // namespace

std::vector<CStdStr<wchar_t>>
VESKBoxSyncFilterImpl::FolderRecordsToFilterStrings(const std::vector<Box_20::FolderRecord>& folders) const
{
    const CStdStr<wchar_t> webFolderBase = GetApplicationUrl() + Box_20::BoxConstants().WebFolderPath;
    std::vector<CStdStr<wchar_t>> filterStrings;
    for (const Box_20::FolderRecord& folder : folders) {
        LSRepositoryToAdd record;
        record.RepositoryType = GetRepositoryName();
        record.DisplayName = folder.Name;
        record.Location = webFolderBase + folder.Id;
        record.Path = folder.Path;
        record.HasPath = true;
        filterStrings.push_back(record.ToFilterString());
    }
    return filterStrings;
}

std::vector<std::wregex> VESKBoxSyncFilterImpl::GetExcludeFolderRegex()
{
    if (!m_excludeFolderRegexText.empty())
        return Exclusions().AddAndGet(m_excludeFolderRegexText);
    const CStdStr<wchar_t> text = LSSetting::GetInstance().GetUserString(kExcludeFolderRegexSetting, L"");
    std::vector<std::wregex> patterns = Exclusions().AddAndGet(text);
    // Kept only once it compiled, so that a bad expression fails every query, not just the first.
    m_excludeFolderRegexText = text;
    return patterns;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SupportsQuery(VARIANT_BOOL* supported)
{
    return ClearOutParam(supported, VARIANT_TRUE) ? S_OK : E_POINTER;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetScopeParameterPrompt(BSTR* prompt)
{
    try {
        if (!ClearOutParam(prompt, nullptr))
            return E_POINTER;
        CStdStr<wchar_t> text;
        LoadResourceString(kScopeParameterPromptString, text);
        *prompt = StdStrToBstr(text);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetScopeParameterPrompt")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResolveScopeParameter(BSTR text, BSTR* resolved)
{
    if (!ClearOutParam(resolved, nullptr))
        return E_POINTER;
    if (text == nullptr)
        return S_OK;
    *resolved = ::SysAllocStringLen(text, ::SysStringLen(text));
    return *resolved != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_RunQuery(long maximumCount, BSTR scope, BSTR queryText, long,
                                                              long, BSTR* results)
{
    try {
        if (!ClearOutParam(results, nullptr))
            return E_POINTER;
        CStdStr<wchar_t> query = BstrText(queryText);
        query.Trim();
        const std::vector<std::wregex> exclusions = GetExcludeFolderRegex();
        ILSShutdownInformer* const informer = m_shutdownInformer.get();
        std::vector<CStdStr<wchar_t>> found;
        if (query.StartsWith(kFolderIdQueryPrefix)) {
            for (const CStdStr<wchar_t>& folderId : FolderIdTokens(query)) {
                if (!Box_20::VerifyFolder(folderId, informer))
                    continue;
                const Box_20::FolderRecord folder = Box_20::GetFolderInfoWithPath(folderId, informer);
                if (!Box_20::MatchesAnyRegex(folder.Path, exclusions))
                    found.push_back(FolderRecordsToFilterStrings({folder}).front());
            }
        } else if (!query.empty()) {
            found = FolderRecordsToFilterStrings(
                Box_20::SearchFolders(query, informer, BstrText(scope), exclusions, maximumCount));
        }
        *results = StdStrToBstr(JoinStrings(found, kResultSeparator));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_RunQuery")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResolveQueryResult(BSTR text, BSTR* resolved)
{
    try {
        if (!ClearOutParam(resolved, nullptr))
            return E_POINTER;
        *resolved = StdStrToBstr(BstrText(text));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_ResolveQueryResult")
}

// A slot the host keeps for a method no Box filter serves.
HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_UnimplementedQueryMethod(long, long) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlineChildFolders(BSTR parentFilterString, long,
                                                                           BSTR* children)
{
    try {
        if (!ClearOutParam(children, nullptr))
            return E_POINTER;
        LSRepositoryToAdd parent;
        parent.FromFilterString(BstrText(parentFilterString));
        const CStdStr<wchar_t> parentId = Box_20::IdAtEndOf(parent.Location);
        if (!Box_20::IsBoxId(parentId))
            throw hresult_exception(E_INVALIDARG, "the parent's location ends in no folder id");
        const Box_20::MetadataScopeRecord scope{GetBoxUserId(), GetEmailMetadataTemplateName(),
                                                GetFingerprintMetadataTemplateName()};
        std::vector<Box_20::FolderRecord> folders =
            Box_20::GetChildFolders(m_shutdownInformer.get(), parentId, GetChildFolderBatchSize(), scope);
        const CStdStr<wchar_t>& parentPath = parent.HasPath ? parent.Path : parent.Location;
        for (Box_20::FolderRecord& folder : folders)
            folder.Path = FormatWide(L"%s/%s", parentPath, folder.Name);
        std::sort(folders.begin(), folders.end(), CompareFolderRecords);
        *children = StdStrToBstr(JoinStrings(FolderRecordsToFilterStrings(folders), kResultSeparator));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetOnlineChildFolders")
}
