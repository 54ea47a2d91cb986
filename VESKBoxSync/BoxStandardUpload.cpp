#include "BoxStandardUpload.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxLocalUploadFile.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploadReplies.h"
#include "BoxUrlBuilders.h"
#include "ByteArrays.h"
#include "HResultException.h"
#include "Utf8Converter.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace Box_20 {

namespace {

constexpr wchar_t kFilePlace[] = L"Box_20::PerformStandardFileUpload";
constexpr wchar_t kVersionPlace[] = L"Box_20::PerformUploadFileVersion";

std::string Utf8Prefix(const CStdStr<wchar_t>& prefix)
{
    try {
        return GetThreadUtf8Converter().to_bytes(prefix);
    } catch (const std::range_error&) {
        throw hresult_exception(E_INVALIDARG, "Box_20 multipart upload: the file name is not valid Unicode");
    }
}

// Prefix, the local file's bytes and suffix as one byte array: the one copy of the file.
_variant_t ReadMultipartBody(UploadFileRecord& record, const std::wstring& place)
{
    LocalUploadFile file(record.LocalPath, record.Size, place);
    BuildMultipartUploadBody(record);
    const std::string prefix = Utf8Prefix(record.MultipartPrefix);
    // The suffix is plain ASCII.
    const std::string suffix(record.MultipartSuffix.begin(), record.MultipartSuffix.end());
    TalvernCommon::unique_safearray array = TalvernCommon::CreateByteArray(
        prefix.size() + record.Size + suffix.size(), "Box_20 multipart upload");
    {
        const TalvernCommon::SafeArrayData data(array.get());
        std::memcpy(data.Bytes(), prefix.data(), prefix.size());
        file.ReadAt(0, data.Bytes() + prefix.size(), static_cast<size_t>(record.Size));
        std::memcpy(data.Bytes() + prefix.size() + static_cast<size_t>(record.Size), suffix.data(), suffix.size());
    }
    return TalvernCommon::ByteArrayVariant(std::move(array));
}

CStdStr<wchar_t> SendMultipart(ILSShutdownInformer* informer, UploadFileRecord& record, const CStdStr<wchar_t>& url,
                               const std::wstring& place)
{
    const _variant_t body = ReadMultipartBody(record, place);
    return GetUploadedFileId(CallBoxAPIWithRichErrorLogging(record.PropertyMap.get(), informer, url,
                                                            BoxConstants().VerbPost, body, true),
                             place);
}

} // namespace

CStdStr<wchar_t> PerformStandardFileUpload(ILSShutdownInformer* informer, UploadFileRecord& record)
{
    return SendMultipart(informer, record, GetUploadServiceUrl(ServiceUploadFile, {}), kFilePlace);
}

CStdStr<wchar_t> PerformUploadFileVersion(ILSShutdownInformer* informer, UploadFileRecord& record)
{
    return SendMultipart(informer, record,
                         GetUploadServiceUrl(ServiceUploadFileVersion, {{kFileIdKey, record.FileId}}), kVersionPlace);
}

} // namespace Box_20
