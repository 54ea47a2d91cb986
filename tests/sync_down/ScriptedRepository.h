// A repository whose answers a test scripts, for framework behaviour the Box class never reaches.
#pragma once

#include "ComDef.h"
#include "ComOwners.h"
#include "FilterTestObjects.h"

#include <string>
#include <vector>

namespace SyncDown {

struct ScriptedItem {
    CStdStr<wchar_t> name, id;
    int version = 1;
    // Stored by the listing as Box does; 0 leaves the date to ParseRemoteDateTime (which fails).
    DATE modified = 0;
};

class ScriptedRepository : public FilterTests::PlainRepository {
public:
    std::vector<ScriptedItem> items;
    std::vector<Text> folderNames, folderIds;
    std::vector<PropertyPairs> folderExtras;
    std::vector<int> listedModes;
    bool checkoutDiffers = false, treatAsUnchanged = false, docsInFolders = true;
    int readOnlyQueries = 0, dateParses = 0;
    // The steps that may wait ("resolve", "provider", "prepare", "list"), as they came, and the one
    // in whose wait the host starts at "Root\Newer", as a window message handled there would.
    std::vector<std::string> waits;
    std::string overtakeAt;

    void Wait(const char* step)
    {
        waits.push_back(step);
        if (overtakeAt != step)
            return;
        overtakeAt.clear();
        raw_SetSyncStartPointByString(_bstr_t(L"Root\\Newer"), TalvernCommon::unique_bstr().put());
    }

    HRESULT GetContents(ILSPropertyMap*, int mode) override
    {
        Wait("list");
        listedModes.push_back(mode);
        if (mode == 3)
            return S_OK;
        for (const ScriptedItem& item : items) {
            if (item.modified != 0)
                m_lastModifiedCache[static_cast<uint32_t>(m_itemNames.size())] = item.modified;
            m_itemNames.push_back(item.name);
            m_itemIds.push_back(item.id);
        }
        m_subFolderNames = folderNames;
        m_subFolderIds = folderIds;
        m_subFolderExtraProperties = folderExtras;
        return S_OK;
    }
    bool ParseRemoteDateTime(const Text&, SYSTEMTIME&) override { return ++dateParses, false; }
    Text GetRemoteItemId(unsigned i) const override { return m_itemIds.at(i); }
    int GetRemoteVersion(unsigned i) const override { return items.at(i).version; }
    Text GetSubFolderKey(unsigned i) const override { return m_subFolderIds.at(i); }
    HRESULT isItemReadOnly(const Text&, bool& answer, Text& mask) override
    {
        ++readOnlyQueries;
        answer = false;
        mask.clear();
        return S_OK;
    }
    HRESULT SetFilterSubFolderProperties(unsigned short, ILSPropertyMap*) override { return S_OK; }
    HRESULT GetFolderUrl(const Text&, Text&, int) override { return S_OK; }
    HRESULT GetFileUrl(const Text&, Text&, int) override { return S_OK; }
    HRESULT ResolveFolderFromUrl(Text&) override { return Wait("resolve"), S_OK; }
    HRESULT GetStartPointFromHost(Text& startPoint) override
    {
        Wait("provider");
        return PlainRepository::GetStartPointFromHost(startPoint);
    }
    HRESULT PrepareSyncStartPoint(Text&, Text&) override { return Wait("prepare"), S_OK; }
    bool SetCheckoutUserProperty(unsigned short, ILSPropertyMap*) override { return checkoutDiffers; }
    bool TreatAsUnchanged(unsigned short, ILSPropertyMap*) override { return treatAsUnchanged; }
    bool AllowsDocumentsInSubFolders() const override { return docsInFolders; }
};

// The filter as a host holds it, answering for a start-point provider as an aggregating host object does.
class ScriptedFilter final : public FilterTests::WithUnknown<ScriptedRepository> {
public:
    IUnknown* provider = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (provider != nullptr && iid == __uuidof(ILSStartPointProvider))
            return provider->QueryInterface(iid, out);
        return WithUnknown::QueryInterface(iid, out);
    }
};

} // namespace SyncDown
