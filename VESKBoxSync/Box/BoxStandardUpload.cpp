#include "BoxStandardUpload.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxDigests.h"
#include "BoxLocalUploadFile.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploadReplies.h"
#include "BoxUploadBodyStream.h"
#include "BoxUrlBuilders.h"
#include "HResultException.h"
#include "LSHash.h"
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
_variant_t MultipartBody(std::shared_ptr<LocalUploadFile> file, UploadFileRecord& record)
{
    BuildMultipartUploadBody(record);
    std::string prefix = Utf8Prefix(record.MultipartPrefix);
    // The suffix is plain ASCII.
    std::string suffix(record.MultipartSuffix.begin(), record.MultipartSuffix.end());
    return MakeUploadBodyStream(std::move(file), 0, record.Size, std::move(prefix), std::move(suffix));
}

// Box stores the file only when its bytes have this SHA-1: a body cut short by a stop (its rest
// then goes out as filler) or changed on its way is refused.
LSHttpHeaderList ContentDigestHeader(LocalUploadFile& file)
{
    CLSSha1Stream hash;
    file.ReadInBlocks(0, file.Size(), [&hash](const BYTE* bytes, size_t count) { hash.Add(bytes, count); });
    return {{L"content-md5", HexDigest(hash.Finish())}};
}

CStdStr<wchar_t> SendMultipart(ILSShutdownInformer* informer, UploadFileRecord& record, const CStdStr<wchar_t>& url,
                               const std::wstring& place)
{
    auto file = std::make_shared<LocalUploadFile>(record.LocalPath, record.Size, place);
    const LSHttpHeaderList digest = ContentDigestHeader(*file);
    const _variant_t body = MultipartBody(std::move(file), record);
    return GetUploadedFileId(CallBoxAPIWithRichErrorLogging(record.PropertyMap.get(), informer, url,
                                                            BoxConstants().VerbPost, body, true, digest),
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
