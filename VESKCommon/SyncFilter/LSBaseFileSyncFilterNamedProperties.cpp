// Everything the filter knows about a downloaded server item, written as the Outlook item's named
// properties, and the repository's metadata fields handed to the host's field-set information.
#include "LSBaseFileSyncFilter.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "LSDiag.h"
#include "LSMapiTags.h"
#include "LSNamedProperties.h"
#include "LSSafeArrayVector.h"
#include "LSSetting.h"
#include "LSSyncHelper.h"
#include "StringUtils.h"

#include <functional>
#include <utility>
#include <vector>

namespace {

constexpr char kSetMapiProperties[] = "LSBaseFileSyncFilter::SetMapiProperties";

using PendingPairs = std::vector<std::pair<CStdStr<wchar_t>, CStdStr<wchar_t>>>;
using PropertyPairs = std::map<CStdStr<wchar_t>, CStdStr<wchar_t>>;

void AddPending(PendingPairs& pending, const _bstr_t& name, const CStdStr<wchar_t>& value)
{
    pending.emplace_back(static_cast<const wchar_t*>(name), value);
}

void AddPending(PendingPairs& pending, const CStdStr<wchar_t>& name, const CStdStr<wchar_t>& value)
{
    pending.emplace_back(name, value);
}

_bstr_t TagName(uint32_t tag) { return _bstr_t(ToHexString(tag).c_str()); }

const CStdStr<wchar_t>* FindExtra(const PropertyPairs& extra, const wchar_t* key)
{
    const auto entry = extra.find(key);
    return entry != extra.end() ? &entry->second : nullptr;
}

CStdStr<wchar_t> DocIdPropertyName()
{
    static const CStdStr<wchar_t> name = LSSetting::GetInstance().GetUserString(L"DocIdProperty", L"Document ID Value");
    return name;
}

// A stored message opens in the form of its own class: a note's form region is the note's.
void AdjustFormRegionClass(const CStdStr<wchar_t>& extension, ILSPropertyMap* item, CStdStr<wchar_t>& formRegion)
{
    if (!extension.Equals(L"msg", false))
        return;
    TalvernCommon::unique_bstr messageClass;
    const HRESULT hr = item->get_ItemStr(TagName(LSMapiTags::kMessageClass), messageClass.put());
    if (SUCCEEDED(hr) && CStdStr<wchar_t>(messageClass.get()).find(L"IPM.Note") != 0)
        return;
    formRegion.Replace(L".Post.", L".Note.");
}

using FieldSetFill = std::function<HRESULT(ILSVESKFieldSetInfo**)>;

// The host's field-set information for the pair of maps, made again only when either changes.
template <class FieldSetCache>
TalvernCommon::com_ptr<ILSVESKFieldSetInfo> GetCachedFieldSetInfo(FieldSetCache& cache, IUnknown* syncRun,
                                                                  ILSPropertyMap* startFolder, const FieldSetFill& fill)
{
    if (cache.info && cache.syncRunKey.get() == syncRun && cache.startFolderKey.get() == startFolder)
        return cache.info;
    cache.syncRunKey.reset();
    cache.startFolderKey.reset();
    TalvernCommon::com_ptr<ILSVESKFieldSetInfo> info;
    const HRESULT hr = fill(info.put());
    if (FAILED(hr) && hr != E_INVALIDARG) {
        LOG(ERROR) << "GetFieldSetInfoInternal failed with error :" << std::hex << static_cast<unsigned long>(hr);
        throw hr;
    }
    cache.info = info;
    if (SUCCEEDED(hr)) {
        if (!cache.info)
            _com_issue_error(E_POINTER);
        const HRESULT initialised = cache.info->Initialize(syncRun, startFolder);
        if (FAILED(initialised))
            _com_issue_error(initialised);
        cache.syncRunKey = TalvernCommon::com_ptr<IUnknown>(syncRun);
        cache.startFolderKey = TalvernCommon::com_ptr<ILSPropertyMap>(startFolder);
    }
    return cache.info;
}

void SetFieldValue(ILSVESKFieldSetInfo& fieldSet, ILSPropertyMap* item, const CStdStr<wchar_t>& key,
                   const CStdStr<wchar_t>& value)
{
    LSFieldInfo info{};
    HRESULT hr = fieldSet.getFieldInfo(_bstr_t(key.c_str()), &info);
    const TalvernCommon::unique_bstr propertyName(info.PropertyName);
    if (FAILED(hr)) {
        LS_DIAG_LOG(1) << "LSSyncHelper::raw_getFieldInfo failed hr: " << std::hex << static_cast<unsigned long>(hr)
                       << " for field: " << LSDiag::LogText(key);
        return;
    }
    hr = LSSyncHelper::setFieldValue(info, item, value);
    if (FAILED(hr))
        LOG(ERROR) << "LSSyncHelper::setFieldValue failed hr:" << std::hex << static_cast<unsigned long>(hr);
}

void PutDate(ILSPropertyMap* item, const _bstr_t& name, DATE date, const char* context)
{
    if (FAILED(item->put_ItemDate(name, date)))
        LOG(ERROR) << context << "Failed to set property on property map";
}

} // namespace

void LSBaseFileSyncFilter::SetMapiProperties(ILSPropertyMap* item, DATE date, const CStdStr<wchar_t>& etag,
                                             const CStdStr<wchar_t>& remoteId, const CStdStr<wchar_t>& name,
                                             const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& fromUser,
                                             const CStdStr<wchar_t>& toUser, const CStdStr<wchar_t>& mask,
                                             const PropertyPairs* extra, bool headerDone)
{
    PutDate(item, LSNamedProperties::RemoteFileLastModified, date, "");
    PendingPairs pending;
    if (!etag.empty())
        AddPending(pending, LSNamedProperties::QuentraFromServerETag, etag);
    AddPending(pending, LSNamedProperties::QuentraFromServerFileName, name);
    SetupFileId(remoteId, item, false);
    AddPending(pending, LSNamedProperties::QuentraFromServerFileUrl, url);

    // A mail file's own header wins unless only its header is being synchronised.
    if (!IsMailFileExtension(name) || (m_headerOnly && !headerDone))
        AddMessageHeader(item, date, fromUser, toUser, extra, pending);
    if (!mask.empty())
        AddPending(pending, LSNamedProperties::OwsPermMask, mask);
    if (extra != nullptr)
        AddExtraProperties(item, name, *extra, pending);

    if (pending.empty())
        return;
    std::vector<CStdStr<wchar_t>> texts;
    texts.reserve(pending.size());
    for (const auto& [propertyName, value] : pending)
        texts.push_back(propertyName + L"\t" + value);
    const LSSafeArrayVector array(texts);
    const HRESULT hr = item->put_ItemStrs(array.AsInVariant());
    if (FAILED(hr))
        _com_issue_error(hr);
}

void LSBaseFileSyncFilter::AddMessageHeader(ILSPropertyMap* item, DATE date, const CStdStr<wchar_t>& fromUser,
                                            const CStdStr<wchar_t>& toUser, const PropertyPairs* extra,
                                            PendingPropertyPairs& pending)
{
    DATE delivery = date;
    if (const CStdStr<wchar_t>* received = extra != nullptr ? FindExtra(*extra, L"receivedDate") : nullptr) {
        _variant_t converted;
        if (LSSyncHelper::ConvertDateVariant(*received, converted, false))
            delivery = LSSyncHelper::ChangeVariantType(converted);
    }
    PutDate(item, TagName(LSMapiTags::kMessageDeliveryTime), delivery, kSetMapiProperties);
    if (!fromUser.empty()) {
        AddPending(pending, ToHexString(LSMapiTags::kSenderName), fromUser);
        AddPending(pending, ToHexString(LSMapiTags::kSentRepresentingName), fromUser);
    }
    if (!toUser.empty())
        AddPending(pending, ToHexString(LSMapiTags::kDisplayTo), toUser);
}

void LSBaseFileSyncFilter::AddExtraProperties(ILSPropertyMap* item, const CStdStr<wchar_t>& name,
                                              const PropertyPairs& extra, PendingPropertyPairs& pending)
{
    const CStdStr<wchar_t> prefix = GetRepositoryName() + L"-";
    TalvernCommon::com_ptr<ILSVESKFieldSetInfo> fieldSet;
    if (m_syncRun)
        fieldSet = GetCachedFieldSetInfo(m_fieldSetCache, m_syncRun.get(), m_mainFolderMap.get(),
                                         [this](ILSVESKFieldSetInfo** info) { return GetFieldSetInfoInternal(info); });
    for (const auto& [key, value] : extra) {
        if (key.compare(0, prefix.size(), prefix) != 0)
            continue;
        AddPending(pending, key, value);
        if (fieldSet)
            SetFieldValue(*fieldSet.get(), item, key, value);
    }

    if (const CStdStr<wchar_t>* version = FindExtra(extra, L"QuentraFromServerVersion"))
        AddPending(pending, LSNamedProperties::QuentraFromServerVersion, *version);
    const CStdStr<wchar_t>* extension = FindExtra(extra, L"extension");
    if (const CStdStr<wchar_t>* region = FindExtra(extra, L"Quentra.FormRegionClass"); region && !region->empty()) {
        CStdStr<wchar_t> formRegion = *region;
        AdjustFormRegionClass(extension != nullptr ? *extension : CStdStr<wchar_t>(), item, formRegion);
        AddPending(pending, LSNamedProperties::QuentraFormRegionClass, formRegion);
    }
    // Passed on as the listing gave them.
    const CStdStr<wchar_t> passedOnKeys[] = {
        L"ows-CheckoutUser", static_cast<const wchar_t*>(LSNamedProperties::VESKDuplicateHash),
        GetEmailFileIdPropertyName()};
    for (const CStdStr<wchar_t>& passedOn : passedOnKeys) {
        if (const CStdStr<wchar_t>* value = FindExtra(extra, passedOn.c_str()))
            AddPending(pending, passedOn, *value);
    }
    if (const CStdStr<wchar_t>* attached = FindExtra(extra, L"PR_HAS_ATTACH"); attached && !attached->empty()) {
        if (FAILED(item->put_ItemBool(TagName(LSMapiTags::kHasAttachments), attached->front() == L'1' ? 1 : 0)))
            LOG(ERROR) << "Failed to set hasAttach on downloaded item: " << LSDiag::LogText(name);
    }
    if (const CStdStr<wchar_t>* docId = FindExtra(extra, L"DocIdProperty"); docId && !docId->empty())
        AddPending(pending, DocIdPropertyName(), *docId);
    if (const CStdStr<wchar_t>* docIdLib = FindExtra(extra, L"DocIdLibProperty"); docIdLib && !docIdLib->empty())
        AddPending(pending, LSNamedProperties::VESKDocIdLib, *docIdLib);
}
