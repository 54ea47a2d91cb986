#include "SyncDriver.h"

#include "BstrText.h"
#include "ComOwners.h"
#include "StringUtils.h"
#include "Utf8Converter.h"

#include <oleauto.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

namespace SyncDriver {

namespace {

using TalvernCommon::com_ptr;
using TestHost::TestPropertyMap;

constexpr wchar_t kUniqueId[] = L"UniqueId";
constexpr wchar_t kDisplayName[] = L"DisplayName";
constexpr wchar_t kUnchanged[] = L"Quentra.MessageIsUnchanged";
constexpr wchar_t kContentChanged[] = L"Quentra.IsContentChanged";
constexpr wchar_t kRenamedFilename[] = L"VESK.RenamedFilename";

// What raw_HasChanges answers.
enum Changes : long { kNoChange = 0, kServerChanged = 1, kClientChanged = 2, kBothChanged = 4 };

std::wstring Join(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

std::string HResultText(HRESULT hr) { return WideToUtf8Lossy(ToHexString(static_cast<uint32_t>(hr))); }

TalvernCommon::unique_bstr Bstr(const std::wstring& text) { return TalvernCommon::unique_bstr(StdStrToBstr(text)); }

std::wstring TextOf(const TestPropertyMap& props, const wchar_t* name) { return props.Text(name).value_or(L""); }

// The entries of a directory: files, or sub-directories.
std::vector<std::wstring> Entries(const std::wstring& folder, bool directories)
{
    std::vector<std::wstring> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_directory(error) == directories)
            names.push_back(entry.path().filename().wstring());
    return names;
}

template <class Map>
typename Map::iterator FindByUniqueId(Map& entries, const std::wstring& uniqueId)
{
    return std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
        return !uniqueId.empty() && TextOf(*entry.second.props.get(), kUniqueId) == uniqueId;
    });
}

template <class Map>
void Rekey(Map& entries, typename Map::iterator from, const std::wstring& to)
{
    auto node = entries.extract(from);
    node.key() = to;
    entries.insert(std::move(node));
}

} // namespace

struct Driver::FolderWork {
    std::wstring path;
    std::wstring shownPath;
    LocalFolder& folder;
    // Items the listing named, and items this pass already moved one way or the other.
    std::set<std::wstring> listed;
    std::set<std::wstring> handled;
    std::vector<std::pair<std::wstring, LocalFolder*>> children;

    std::wstring PathOf(const std::wstring& name) const { return Join(path, name); }
    std::wstring Shown(const std::wstring& name) const { return shownPath.empty() ? name : shownPath + L"/" + name; }
    std::wstring ShownFolder() const { return shownPath.empty() ? L"(main folder)" : shownPath; }
    bool ChangedOnDisk(const std::wstring& name, const FileStamp& stamp) const
    {
        return StampOf(PathOf(name)) != std::optional<FileStamp>(stamp);
    }
};

Driver::Driver(ILSSyncFilter2* filter, std::ostream& log) : m_filter(filter), m_log(log) {}

PassSummary Driver::RunPass(const std::wstring& rootPath, LocalFolder& main)
{
    m_summary = {};
    if (const auto shutdownInfo = m_filter.query<ILSNeedsShutdownInfo>(__uuidof(ILSNeedsShutdownInfo)))
        shutdownInfo->put_pShutdownInformer(m_informer.get());
    m_filter->raw_SetCurrentProfileName(Bstr(L"Sync driver").get());
    const com_ptr<TestPropertyMap> syncRun = TestPropertyMap::Create();
    m_filter->raw_StartSync(0, static_cast<ILSPropertyMap*>(syncRun.get()), 0);
    SyncFolder(rootPath, L"", main, true);
    m_filter->raw_EndSync();
    return m_summary;
}

void Driver::RenameLocal(const std::wstring& folderPath, LocalFolder& folder, const std::wstring& from,
                         const std::wstring& to)
{
    const auto it = folder.items.find(from);
    if (it == folder.items.end() || !::MoveFileW(Join(folderPath, from).c_str(), Join(folderPath, to).c_str()))
        throw std::runtime_error("no synchronised file to rename: " + WideToUtf8Lossy(from));
    it->second.pendingRename = to;
    it->second.props->SetText(kRenamedFilename, to);
    Rekey(folder.items, it, to);
}

void Driver::SyncFolder(const std::wstring& path, const std::wstring& shownPath, LocalFolder& folder, bool isMain)
{
    FolderWork work{path, shownPath, folder, {}, {}, {}};
    const char* step = "start point";
    HRESULT hr = m_filter->raw_SetSyncStartPoint(folder.props.get(), VARIANT_TRUE, VARIANT_FALSE, VARIANT_FALSE,
                                                 ++m_startPointNumber, VARIANT_FALSE);
    if (SUCCEEDED(hr) && isMain) {
        step = "main-folder properties";
        hr = m_filter->raw_SetMainFolderProperties(folder.props.get());
    }
    if (SUCCEEDED(hr)) {
        step = "listing";
        hr = m_filter->raw_PreContentSyncFolderUpdate(folder.props.get(), VARIANT_FALSE, VARIANT_FALSE);
    }
    if (FAILED(hr))
        return Issue(work.ShownFolder(), std::string(step) + " failed " + HResultText(hr));
    unsigned short count = 0;
    m_filter->GetServerItemNameCount(&count);
    for (unsigned short index = 0; index < count; ++index)
        BringServerItem(work, index);
    RemoveItemsGoneFromBox(work);
    SendLocalChanges(work);
    ListSubFolders(work);
    m_filter->raw_PostContentSyncFolderUpdate(folder.props.get());
    CreateLocalFoldersOnBox(work);
    for (auto& [childPath, child] : work.children)
        SyncFolder(work.PathOf(childPath), work.Shown(childPath), *child, false);
}

void Driver::BringServerItem(FolderWork& work, unsigned short index)
{
    const com_ptr<TestPropertyMap> basic = TestPropertyMap::Create();
    if (const HRESULT hr = m_filter->raw_GetItemBasicProps(index, basic.get()); FAILED(hr))
        return Issue(work.Shown(L"#" + std::to_wstring(index)), "no properties " + HResultText(hr));
    const std::wstring serverName = TextOf(*basic.get(), L"FileName");
    auto local = FindByUniqueId(work.folder.items, TextOf(*basic.get(), kUniqueId));
    if (local == work.folder.items.end()) {
        if (work.folder.items.count(serverName) || StampOf(work.PathOf(serverName)))
            return Issue(work.Shown(serverName), "left alone: a local document has this name");
        LocalItem item;
        item.props = basic;
        work.listed.insert(serverName);
        work.handled.insert(serverName);
        if (Retrieve(work, index, serverName, item, "new from Box"))
            work.folder.items.emplace(serverName, std::move(item));
        return;
    }
    const std::wstring localName = local->first;
    LocalItem& item = local->second;
    work.listed.insert(localName);
    if (!item.pendingRename.empty() || !StampOf(work.PathOf(localName)))
        return; // a rename or a deletion goes to Box first
    item.props->SetFlag(kUnchanged, !work.ChangedOnDisk(localName, item.stamp));
    long changes = kNoChange;
    if (const HRESULT hr = m_filter->raw_HasChanges(index, item.props.get(), &changes); FAILED(hr))
        return Issue(work.Shown(localName), "change test failed " + HResultText(hr));
    work.handled.insert(localName);
    if (changes == kClientChanged || changes == kBothChanged)
        return SendItem(work, localName, item, false);
    const bool renamedOnBox = !serverName.empty() && serverName != localName;
    if (changes == kNoChange && !renamedOnBox) {
        ++m_summary.unchanged;
        return;
    }
    if (renamedOnBox) {
        if (!::MoveFileW(work.PathOf(localName).c_str(), work.PathOf(serverName).c_str()))
            return Issue(work.Shown(localName), "cannot take the name given on Box: " + WideToUtf8Lossy(serverName));
        Rekey(work.folder.items, local, serverName);
        work.listed.insert(serverName);
        work.handled.insert(serverName);
        ++m_summary.renamed;
        Line("<-", work.Shown(serverName), "renamed on Box from " + WideToUtf8Lossy(localName));
    }
    const std::wstring& name = renamedOnBox ? serverName : localName;
    if (changes == kServerChanged)
        Retrieve(work, index, name, work.folder.items.at(name), "changed on Box");
}

bool Driver::Retrieve(FolderWork& work, unsigned short index, const std::wstring& name, LocalItem& item,
                      const char* what)
{
    TalvernCommon::unique_bstr fileName;
    HRESULT hr = m_filter->raw_RetrieveItemToPath(index, Bstr(work.PathOf(name)).get(), fileName.put(),
                                                  item.props.get(), VARIANT_FALSE, Bstr(L"").get());
    if (hr == S_FALSE) {
        Issue(work.Shown(name), "gone from Box before it could be fetched");
        return false;
    }
    if (SUCCEEDED(hr))
        hr = m_filter->raw_SetItemProperties(index, item.props.get(), 0);
    if (FAILED(hr)) {
        ReportIssue(work.Shown(name), *item.props.get(), hr);
        return false;
    }
    item.stamp = StampOf(work.PathOf(name)).value_or(FileStamp{});
    item.props->SetFlag(kUnchanged, true);
    ++m_summary.downloaded;
    Line("<-", work.Shown(name), what);
    return true;
}

void Driver::RemoveItemsGoneFromBox(FolderWork& work)
{
    // The complete list of the folder's item ids; without it nothing counts as gone.
    const auto deleteable = m_filter.query<ILSDeleteableSyncFilter>(__uuidof(ILSDeleteableSyncFilter));
    TalvernCommon::unique_bstr keyName;
    long count = 0;
    if (!deleteable || FAILED(deleteable->get_ServerItemKey(keyName.put())) ||
        FAILED(deleteable->get_ServerItemCount(0, &count)))
        return Line("!", work.ShownFolder(), "no item list: nothing deleted here");
    std::set<std::wstring> present;
    for (long index = 0; index < count; ++index) {
        TalvernCommon::unique_bstr id;
        if (SUCCEEDED(deleteable->get_ServerItem(index, id.put())) && id)
            present.insert(id.get());
    }
    for (auto it = work.folder.items.begin(); it != work.folder.items.end();) {
        const std::wstring id = TextOf(*it->second.props.get(), keyName.get());
        if (id.empty() || work.listed.count(it->first) || present.count(id)) {
            ++it;
        } else if (work.ChangedOnDisk(it->first, it->second.stamp)) {
            // Changed here since it was deleted there: it goes back to Box as a new document.
            Line("!", work.Shown(it->first), "deleted on Box but changed here: sent again");
            it->second.props = TestPropertyMap::Create();
            ++it;
        } else {
            ::DeleteFileW(work.PathOf(it->first).c_str());
            Line("x<", work.Shown(it->first), "deleted on Box");
            ++m_summary.deletedLocally;
            work.handled.insert(it->first);
            it = work.folder.items.erase(it);
        }
    }
}

void Driver::SendLocalChanges(FolderWork& work)
{
    const auto deleteable = m_filter.query<ILSDeleteableSyncFilter>(__uuidof(ILSDeleteableSyncFilter));
    for (auto it = work.folder.items.begin(); it != work.folder.items.end();) {
        if (!deleteable || StampOf(work.PathOf(it->first))) {
            ++it;
            continue;
        }
        TalvernCommon::unique_bstr errorText;
        if (const HRESULT hr = deleteable->DeleteItemByLocation(it->second.props.get(), errorText.put()); FAILED(hr)) {
            Issue(work.Shown(it->first),
                  "not deleted on Box: " + WideToUtf8Lossy(BstrText(errorText.get())) + " " + HResultText(hr));
            ++it;
            continue;
        }
        Line("x>", work.Shown(it->first), "deleted here, deleted on Box");
        ++m_summary.deletedOnBox;
        it = work.folder.items.erase(it);
    }
    for (const std::wstring& name : Entries(work.path, false)) {
        const auto it = work.folder.items.find(name);
        if (it == work.folder.items.end()) {
            LocalItem item;
            SendItem(work, name, item, true);
            work.folder.items.emplace(name, std::move(item));
        } else if (TextOf(*it->second.props.get(), L"Quentra.FromServerFileId").empty()) {
            SendItem(work, name, it->second, true);
        } else if (!work.handled.count(name) &&
                   (work.ChangedOnDisk(name, it->second.stamp) || !it->second.pendingRename.empty())) {
            SendItem(work, name, it->second, false);
        }
    }
}

void Driver::SendItem(FolderWork& work, const std::wstring& name, LocalItem& item, bool isNew)
{
    const std::optional<FileStamp> stamp = StampOf(work.PathOf(name));
    const bool contentChanged = isNew || stamp != std::optional<FileStamp>(item.stamp);
    item.props->SetFlag(kUnchanged, !contentChanged);
    item.props->SetFlag(kContentChanged, contentChanged);
    const TalvernCommon::unique_bstr localPath = Bstr(work.PathOf(name));
    const TalvernCommon::unique_bstr documentName = Bstr(name);
    const HRESULT hr = isNew ? m_filter->raw_AddNewDocument(localPath.get(), documentName.get(), 0, item.props.get())
                             : m_filter->raw_UpdateDocument(localPath.get(), documentName.get(), 0, item.props.get());
    if (FAILED(hr))
        return ReportIssue(work.Shown(name), *item.props.get(), hr);
    item.stamp = stamp.value_or(FileStamp{});
    item.props->SetFlag(kUnchanged, true);
    item.props->SetFlag(kContentChanged, false);
    const bool renamedOnly = !item.pendingRename.empty() && !contentChanged;
    item.pendingRename.clear();
    item.props->Remove(kRenamedFilename);
    ++(renamedOnly ? m_summary.renamed : m_summary.uploaded);
    Line("->", work.Shown(name), renamedOnly ? "renamed on Box" : isNew ? "new on Box" : "new version on Box");
}

void Driver::ListSubFolders(FolderWork& work)
{
    unsigned short count = 0;
    m_filter->GetSubFolderCount(&count);
    for (unsigned short index = 0; index < count; ++index) {
        const com_ptr<TestPropertyMap> basic = TestPropertyMap::Create();
        if (FAILED(m_filter->raw_GetSubFolderBasicProps(index, basic.get())))
            continue;
        const std::wstring name = TextOf(*basic.get(), kDisplayName);
        auto local = FindByUniqueId(work.folder.folders, TextOf(*basic.get(), kUniqueId));
        if (local == work.folder.folders.end()) {
            ::CreateDirectoryW(work.PathOf(name).c_str(), nullptr);
            LocalFolder child;
            child.props = basic;
            local = work.folder.folders.insert_or_assign(name, std::move(child)).first;
            Line("<-", work.Shown(name) + L"/", "folder from Box");
        } else if (local->first != name && ::MoveFileW(work.PathOf(local->first).c_str(), work.PathOf(name).c_str())) {
            Line("<-", work.Shown(name) + L"/", "folder renamed on Box from " + WideToUtf8Lossy(local->first));
            Rekey(work.folder.folders, local, name);
            local = work.folder.folders.find(name);
        }
        if (const HRESULT hr = m_filter->raw_SetSubFolderProperties(index, local->second.props.get()); FAILED(hr))
            Issue(work.Shown(name) + L"/", "folder properties failed " + HResultText(hr));
        else
            work.children.emplace_back(local->first, &local->second);
    }
}

void Driver::CreateLocalFoldersOnBox(FolderWork& work)
{
    const auto creator = m_filter.query<ILSCreateableFolderSyncFilter>(__uuidof(ILSCreateableFolderSyncFilter));
    if (!creator)
        return;
    for (const std::wstring& name : Entries(work.path, true)) {
        if (work.folder.folders.count(name))
            continue;
        LocalFolder child;
        child.props->SetText(kDisplayName, name);
        if (const HRESULT hr = creator->raw_CreateFolder(0, work.folder.props.get(), child.props.get()); FAILED(hr)) {
            Issue(work.Shown(name) + L"/", "folder not created on Box " + HResultText(hr));
            continue;
        }
        ++m_summary.foldersCreated;
        Line("->", work.Shown(name) + L"/", "folder created on Box");
        work.children.emplace_back(name, &(work.folder.folders[name] = std::move(child)));
    }
}

void Driver::ReportIssue(const std::wstring& shownName, TestPropertyMap& props, HRESULT hr)
{
    const std::wstring type = TextOf(props, L"Quentra.SyncIssueType");
    const std::wstring message = TextOf(props, L"Quentra.SyncIssueMessage");
    Issue(shownName, (type.empty() ? std::string("failed") : WideToUtf8Lossy(type)) + " " + HResultText(hr) +
                         (message.empty() ? std::string() : ": " + WideToUtf8Lossy(message)));
}

void Driver::Issue(const std::wstring& shownName, const std::string& what)
{
    Line("!", shownName, what);
    ++m_summary.issues;
}

void Driver::Line(const char* mark, const std::wstring& shownName, const std::string& what)
{
    m_log << "  " << mark << " " << WideToUtf8Lossy(shownName) << "  " << what << "\n";
}

std::ostream& operator<<(std::ostream& out, const PassSummary& s)
{
    return out << s.downloaded << " downloaded, " << s.uploaded << " uploaded, " << s.renamed << " renamed, "
               << s.deletedLocally << " deleted here, " << s.deletedOnBox << " deleted on Box, " << s.foldersCreated
               << " folders created on Box, " << s.unchanged << " unchanged, " << s.issues << " issues";
}

} // namespace SyncDriver
