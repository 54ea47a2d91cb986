#include "BoxStandardUpload.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxLocalUploadFile.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploadReplies.h"
#include "BoxUploadBodyStream.h"
#include "BoxUrlBuilders.h"
#include "HResultException.h"
#include "Utf8Converter.h"

#include <memory>
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

// Prefix, the local file's bytes and suffix, the file read as the body is sent (and sent again).
_variant_t MultipartBody(UploadFileRecord& record, const std::wstring& place)
{
    auto file = std::make_shared<LocalUploadFile>(record.LocalPath, record.Size, place);
    BuildMultipartUploadBody(record);
    std::string prefix = Utf8Prefix(record.MultipartPrefix);
    // The suffix is plain ASCII.
    std::string suffix(record.MultipartSuffix.begin(), record.MultipartSuffix.end());
    return MakeUploadBodyStream(std::move(file), 0, record.Size, std::move(prefix), std::move(suffix));
}

CStdStr<wchar_t> SendMultipart(ILSShutdownInformer* informer, UploadFileRecord& record, const CStdStr<wchar_t>& url,
                               const std::wstring& place)
{
    const _variant_t body = MultipartBody(record, place);
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
