#include "BoxUploads.h"

#include "BoxChunkedUpload.h"
#include "BoxExceptions.h"
#include "BoxMetadataUpload.h"
#include "BoxStandardUpload.h"
#include "LSDiag.h"
#include "Utf8Converter.h"

namespace Box_20 {

namespace {

void UploadMetadata(ILSShutdownInformer* informer, const UploadFileRecord& record)
{
    if (record.EmailProps)
        PerformEmailPropsUpload(record, informer);
    PerformFingerprintUploadFromPropMap(record.PropertyMap.get(), record, informer);
}

// The content being stored, a failure of a later step is thrown as MultiphaseException carrying
// the file's id, whatever stopped it: the caller still needs to know what Box holds.
template <class LaterStep>
void FinishStoredUpload(const wchar_t* place, const UploadFileRecord& record, LaterStep&& laterStep)
{
    try {
        laterStep();
    } catch (const ApiException& failure) {
        LOG(ERROR) << LSDiag::LogText(place) << ": stored as " << LSDiag::LogText(record.FileId) << ", then "
                   << failure.what();
        throw JoinWithSpaceMultiphase(place, failure.GetText(), record.FileId);
    } catch (...) {
        CStdStr<wchar_t> text;
        LSDiag::HandleInterfaceException(WideToUtf8Lossy(place).c_str(), __FILE__, __LINE__, &text);
        throw JoinWithSpaceMultiphase(place, text, record.FileId);
    }
}

} // namespace

CStdStr<wchar_t> UploadFile(ILSShutdownInformer* informer, UploadFileRecord& record)
{
    record.FileId = record.Size < kChunkedUploadThreshold ? PerformStandardFileUpload(informer, record)
                                                          : PerformChunkedFileUpload(informer, record);
    FinishStoredUpload(L"Box_20::UploadFile", record, [&] { UploadMetadata(informer, record); });
    return record.FileId;
}

CStdStr<wchar_t> UploadFileVersion(ILSShutdownInformer* informer, UploadFileRecord& record)
{
    const CStdStr<wchar_t> fileId = record.Size < kChunkedUploadThreshold
                                        ? PerformUploadFileVersion(informer, record)
                                        : PerformChunkedFileVersionUpload(informer, record);
    // The fingerprint describes the content the file now has, not the one it had.
    FinishStoredUpload(L"Box_20::UploadFileVersion", record,
                       [&] { UpdateFingerprintFromPropMap(record.PropertyMap.get(), record, informer); });
    return fileId;
}

} // namespace Box_20
