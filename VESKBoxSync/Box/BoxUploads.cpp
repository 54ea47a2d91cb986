#include "BoxUploads.h"

#include "BoxChunkedUpload.h"
#include "BoxExceptions.h"
#include "BoxMetadataUpload.h"
#include "BoxStandardUpload.h"
#include "LSDiag.h"

namespace Box_20 {

namespace {

constexpr wchar_t kUploadFilePlace[] = L"Box_20::UploadFile";

void UploadMetadata(ILSShutdownInformer* informer, const UploadFileRecord& record)
{
    if (record.EmailProps)
        PerformEmailPropsUpload(record, informer);
    PerformFingerprintUploadFromPropMap(record.PropertyMap.get(), record, informer);
}

} // namespace

CStdStr<wchar_t> UploadFile(ILSShutdownInformer* informer, UploadFileRecord& record)
{
    record.FileId = record.Size < kChunkedUploadThreshold ? PerformStandardFileUpload(informer, record)
                                                          : PerformChunkedFileUpload(informer, record);
    try {
        UploadMetadata(informer, record);
    } catch (const ApiException& failure) {
        LOG(ERROR) << "Box_20::UploadFile: stored as " << LSDiag::LogText(record.FileId) << ", then " << failure.what();
        throw JoinWithSpaceMultiphase(kUploadFilePlace, failure.GetText(), record.FileId);
    } catch (...) {
        // Whatever stopped the later step, the caller still needs the id of what Box stored.
        CStdStr<wchar_t> text;
        LSDiag::HandleInterfaceException("Box_20::UploadFile", __FILE__, __LINE__, &text);
        throw JoinWithSpaceMultiphase(kUploadFilePlace, text, record.FileId);
    }
    return record.FileId;
}

CStdStr<wchar_t> UploadFileVersion(ILSShutdownInformer* informer, UploadFileRecord& record)
{
    return record.Size < kChunkedUploadThreshold ? PerformUploadFileVersion(informer, record)
                                                 : PerformChunkedFileVersionUpload(informer, record);
}

} // namespace Box_20
