// Filter classes with the COM class's IUnknown and IDispatch, a bare repository, a reference-counting object.
#pragma once

#include "LSBaseFileSyncFilter.h"
#include "VESKBoxSyncFilterImpl.h"

#include <objbase.h>

#include <memory>
#include <regex>

namespace FilterTests {

// IUnknown over Base whose reference count the test reads; the test owns the object's lifetime.
// Identity is the branch of Base that answers for IUnknown.
template <class Base, class Identity = Base>
class CountedUnknown : public Base {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        *out = iid == IID_IUnknown ? static_cast<Identity*>(this) : nullptr;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_references; }

    ULONG References() const { return m_references; }

private:
    ULONG m_references = 1;
};

template <class Filter>
class WithUnknown : public CountedUnknown<Filter, ILSSyncFilter2> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // A field-set cache entry as a sync run leaves it.
    void CacheFieldSetFor(IUnknown* run) { this->m_fieldSetCache.syncRunKey = TalvernCommon::com_ptr<IUnknown>(run); }

    const std::vector<std::wregex>& ExclusionPatterns() const { return this->m_exclusionPatterns; }
    uint32_t MaxFileSizeBytes() const { return this->m_maxFileSizeBytes; }
};

// Every storage operation E_NOTIMPL; settings under a prefix of this suite's own.
class PlainRepository : public LSBaseFileSyncFilter {
public:
    using Text = CStdStr<wchar_t>;
    static constexpr wchar_t kPrefix[] = L"FilterObjectTests";

    Text GetRepositoryName() const override { return L"Plain"; }
    Text GetSettingsPrefix() const override { return kPrefix; }
    HRESULT PrepareSyncStartPoint(Text&, Text&) override { return E_NOTIMPL; }
    HRESULT RemoteNameExists(const Text&, bool&) override { return E_NOTIMPL; }
    bool ParseRemoteDateTime(const Text&, SYSTEMTIME&) override { return false; }
    HRESULT CopyFileRemote(const Text&, const Text&, ILSPropertyMap*, bool, Text&) override { return E_NOTIMPL; }
    HRESULT RenameRemoteFile(Text&, const Text&) override { return E_NOTIMPL; }
    HRESULT RenameRemoteFolder(Text&, const Text&, ILSPropertyMap*) override { return E_NOTIMPL; }
    HRESULT CopyFileToLocal(const Text&, const Text&, ILSPropertyMap*, const Text&) override { return E_NOTIMPL; }
    HRESULT GetContents(ILSPropertyMap*, int) override { return E_NOTIMPL; }
    HRESULT GetRemoteETag(const Text&, Text&) override { return E_NOTIMPL; }
    HRESULT isItemReadOnly(const Text&, bool&, Text&) override { return E_NOTIMPL; }
    HRESULT CheckForDeletedItems(const Text&, long) override { return E_NOTIMPL; }
    HRESULT CreateDirectoryRemote(long, const Text&, const Text&, ILSPropertyMap*, Text&) override { return E_NOTIMPL; }
    HRESULT DeleteFileRemote(const Text&, Text&) override { return E_NOTIMPL; }
    HRESULT FindFileInFileList(const Text&, Text&) override { return E_NOTIMPL; }
    Text GetRemoteItemId(unsigned) const override { return {}; }
    int GetRemoteVersion(unsigned) const override { return 0; }
    Text GetSubFolderKey(unsigned) const override { return {}; }
    HRESULT SetFilterSubFolderProperties(unsigned short, ILSPropertyMap*) override { return E_NOTIMPL; }
    Text GetPathSeparator() const override { return L"/"; }
    HRESULT OnEndSync() override { return S_OK; }
    HRESULT OnStartSync() override { return S_OK; }
    HRESULT ResolveFolderFromUrl(Text&) override { return E_NOTIMPL; }
    HRESULT GetFolderUrl(const Text&, Text&, int) override { return E_NOTIMPL; }
    HRESULT GetFileUrl(const Text&, Text&, int) override { return E_NOTIMPL; }

protected:
    PlainRepository() { InitSettings(kPrefix); }
};

using PlainFilter = WithUnknown<PlainRepository>;
using BoxFilter = WithUnknown<VESKBoxSyncFilterImpl>;
using CountingUnknown = CountedUnknown<IUnknown>;

} // namespace FilterTests
