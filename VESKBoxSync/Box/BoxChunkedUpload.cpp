#include "BoxChunkedUpload.h"

#include "BoxCallLoop.h"
#include "BoxChunkData.h"
#include "BoxChunkRequests.h"
#include "BoxConstants.h"
#include "BoxErrors.h"
#include "BoxExceptions.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploadReplies.h"
#include "BoxUrlBuilders.h"
#include "LSCancelCheck.h"
#include "LSCancellableWait.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpStatus.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace Box_20 {

namespace {

constexpr wchar_t kFilePlace[] = L"Box_20::PerformChunkedFileUpload";
constexpr wchar_t kVersionPlace[] = L"Box_20::PerformChunkedFileVersionUpload";
// Box answers 202 while it still assembles the parts; a commit is sent at most this often.
constexpr int kMaxCommitSends = 5;
constexpr int32_t kDefaultCommitWaitSeconds = 1;
constexpr int32_t kMaxCommitWaitSeconds = 60;

std::chrono::seconds CommitWait(int32_t retryAfterSeconds)
{
    return std::chrono::seconds(
        retryAfterSeconds > 0 ? std::min(retryAfterSeconds, kMaxCommitWaitSeconds) : kDefaultCommitWaitSeconds);
}

UploadPartRecord UploadPart(ILSShutdownInformer* informer, const UploadSessionRecord& session, int64_t index,
                            ChunkSource& source, const std::wstring& place)
{
    const ChunkDataType chunk = CreateChunkData(index, session.PartSize, source);
    const CLSHash::Sha1Digest digest = source.HashPart(chunk);
    const ChunkRequestDescription description = GetPartDigestHeader(chunk, digest, source.PartBody(chunk));
    const ChunkReply reply =
        CallBoxAPIChunkUpload(informer, session.UploadPartUrl, BoxConstants().VerbPut, description);
    return ReadUploadedPart(reply.Reply, place);
}

CStdStr<wchar_t> CommitUpload(ILSShutdownInformer* informer, const UploadSessionRecord& session,
                              const std::vector<UploadPartRecord>& parts, const CLSHash::Sha1Digest& fileDigest,
                              const std::wstring& place)
{
    const ChunkRequestDescription description = GetCommitDigestHeader(fileDigest, BuildCommitPartsJson(parts));
    for (int send = 1;; ++send) {
        const ChunkReply reply =
            CallBoxAPIChunkUpload(informer, session.CommitUrl, BoxConstants().VerbPost, description);
        if (reply.Status != LSHttpStatus::kAccepted)
            return GetUploadedFileId(reply.Reply, place);
        if (send == kMaxCommitSends) {
            const ApiException failure = JoinWithSpace(
                place, L"Box was still processing the upload after " + std::to_wstring(send) + L" commits");
            LOG(ERROR) << failure.what();
            throw failure;
        }
        const std::chrono::seconds wait = CommitWait(reply.RetryAfterSeconds);
        LS_DIAG_LOG(1) << LSDiag::LogText(place) << ": commit answered 202, sending it again in " << wait.count()
                       << " s";
        if (!SleepPumpingMessages(wait, MakeCancelCheck(informer)))
            throw E_ABORT;
    }
}

CStdStr<wchar_t> UploadParts(ILSShutdownInformer* informer, const UploadSessionRecord& session, ChunkSource& source,
                             const std::wstring& place)
{
    std::vector<UploadPartRecord> parts;
    const int64_t size = static_cast<int64_t>(source.Size());
    for (int64_t index = 0; index <= (size - 1) / session.PartSize; ++index)
        parts.push_back(UploadPart(informer, session, index, source, place));
    return CommitUpload(informer, session, parts, source.FileDigest(), place);
}

// Box's refusal of a part or the commit, as the call loop reports a refusal: Box's error text,
// recorded on the item, else the HTTP error's own text.
ApiException RefusalFailure(const LSHttpError& error, ILSPropertyMap* propertyMap, const std::wstring& place)
{
    LOG(ERROR) << "LSHttpError caught: " << LSDiag::LogText(error.FormatMessage());
    const CStdStr<wchar_t> boxError = BoxErrorTextOf(error);
    if (!boxError.empty() && propertyMap != nullptr)
        RecordSyncIssue(propertyMap, boxError);
    return JoinWithSpace(place, boxError.empty() ? error.FormatMessage() : boxError);
}

CStdStr<wchar_t> UploadThroughSession(ILSShutdownInformer* informer, const UploadFileRecord& record,
                                      const CStdStr<wchar_t>& sessionUrl, const CStdStr<wchar_t>& sessionBody,
                                      const std::wstring& place)
{
    // Opened before the session exists: a file that cannot be uploaded whole costs no request.
    ChunkSource source(record, place);
    const _variant_t body(sessionBody.c_str());
    const Json::Value reply = CallBoxAPIWithRichErrorLogging(record.PropertyMap.get(), informer, sessionUrl,
                                                             BoxConstants().VerbPost, body, false);
    const UploadSessionRecord session = ReadUploadSession(reply, place);
    LS_DIAG_LOG(1) << LSDiag::LogText(place) << ": session " << LSDiag::LogText(session.Id) << ", parts of "
                   << session.PartSize << " bytes";
    try {
        return UploadParts(informer, session, source, place);
    } catch (const LSHttpError& error) {
        AbortUploadSession(session.AbortUrl);
        throw RefusalFailure(error, record.PropertyMap.get(), place);
    } catch (...) {
        AbortUploadSession(session.AbortUrl);
        throw;
    }
}

} // namespace

CStdStr<wchar_t> PerformChunkedFileUpload(ILSShutdownInformer* informer, const UploadFileRecord& record)
{
    return UploadThroughSession(informer, record, GetUploadServiceUrl(ServiceCreateUploadSession, {}),
                                BuildUploadSessionJson(record.Name, record.Size, record.ParentFolderId), kFilePlace);
}

CStdStr<wchar_t> PerformChunkedFileVersionUpload(ILSShutdownInformer* informer, const UploadFileRecord& record)
{
    return UploadThroughSession(informer, record,
                                GetUploadServiceUrl(ServiceCreateVersionUploadSession, {{kFileIdKey, record.FileId}}),
                                BuildVersionUploadSessionJson(record.Name, record.Size), kVersionPlace);
}

} // namespace Box_20
