// Plays the host add-in's part in a two-way sync over COM, on the calling (apartment) thread.
#pragma once

#include "ComPtr.h"
#include "LocalFolder.h"
#include "TestShutdownInformer.h"
#include "VESKSyncBasicsLib.h"

#include <ostream>
#include <string>

namespace SyncDriver {

struct PassSummary {
    int downloaded = 0, uploaded = 0, renamed = 0, deletedLocally = 0, deletedOnBox = 0, foldersCreated = 0;
    int unchanged = 0;
    // Items left for the user: a sync issue on the item, or a call that failed.
    int issues = 0;
};

class Driver {
public:
    // The filter as the host created it; every line of what the pass does goes to log.
    Driver(ILSSyncFilter2* filter, std::ostream& log);

    TestHost::TestShutdownInformer& Informer() { return *m_informer.get(); }

    // One pass over the tree under rootPath, whose state main describes and receives.
    PassSummary RunPass(const std::wstring& rootPath, LocalFolder& main);

    // A local rename as the user makes it in Outlook: the file is renamed on the next pass.
    static void RenameLocal(const std::wstring& folderPath, LocalFolder& folder, const std::wstring& from,
                            const std::wstring& to);

private:
    struct FolderWork;

    void SyncFolder(const std::wstring& path, const std::wstring& shownPath, LocalFolder& folder, bool isMain);
    void BringServerItem(FolderWork& work, unsigned short index);
    void RemoveItemsGoneFromBox(FolderWork& work);
    void SendLocalChanges(FolderWork& work);
    void SendItem(FolderWork& work, const std::wstring& name, LocalItem& item, bool isNew);
    void ListSubFolders(FolderWork& work);
    void CreateLocalFoldersOnBox(FolderWork& work);
    // Fetches the item's content and properties; on success counts and logs the download as `what`.
    bool Retrieve(FolderWork& work, unsigned short index, const std::wstring& name, LocalItem& item,
                  const char* what);
    void ReportIssue(const std::wstring& shownName, TestHost::TestPropertyMap& props, HRESULT hr);
    // A line of the log, and an issue: a line that the summary counts.
    void Issue(const std::wstring& shownName, const std::string& what);
    void Line(const char* mark, const std::wstring& shownName, const std::string& what);

    TalvernCommon::com_ptr<ILSSyncFilter2> m_filter;
    const TalvernCommon::com_ptr<TestHost::TestShutdownInformer> m_informer = TestHost::TestShutdownInformer::Create();
    std::ostream& m_log;
    PassSummary m_summary;
    long m_startPointNumber = 0;
};

std::ostream& operator<<(std::ostream& out, const PassSummary& summary);

} // namespace SyncDriver
