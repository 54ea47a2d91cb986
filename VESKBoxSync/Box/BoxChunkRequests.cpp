#include "BoxChunkRequests.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BoxTokenCache.h"
#include "BstrText.h"
#include "LSBaseJsonWS.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpStatus.h"

#include <chrono>
#include <memory>

namespace Box_20 {

namespace {

constexpr wchar_t kPlace[] = L"Box_20::CallBoxAPIChunkUpload";
constexpr std::chrono::seconds kAbortWait{10};

std::unique_ptr<ILSHttpRequest> SendOnce(ILSShutdownInformer* informer, const CStdStr<wchar_t>& url,
                                         const CStdStr<wchar_t>& method, const ChunkRequestDescription& description,
                                         const std::wstring& accessToken)
{
    std::unique_ptr<ILSHttpRequest> request = OpenBoxRequest(method, url, kPlace);
    SetAuthHeaders(*request, accessToken);
    if (!description.ContentRange.empty())
        request->SetRequestHeader(L"Content-Range", description.ContentRange.c_str());
    request->SetRequestHeader(L"Content-Type", description.ContentType);
    request->SetRequestHeader(L"digest", description.Digest.c_str());
    CLSBaseWS::PerformAsyncVariantSend(request, url, description.Body, informer);
    return request;
}

ChunkReply ReadReply(const ILSHttpRequest& request)
{
    ChunkReply reply;
    reply.Status = request.GetStatus();
    if (reply.Status == LSHttpStatus::kAccepted) {
        reply.RetryAfterSeconds = ParseRetryAfterSeconds(BstrText(request.GetResponseHeader(L"Retry-After")));
        return reply;
    }
    try {
        reply.Reply = CLSBaseJsonWS::ParseJsonResponse(CLSBaseJsonWS::ReplyBytes(request));
    } catch (HRESULT) {
        LOG(ERROR) << " Could not parse xml response from Box";
        throw JoinWithSpace(kPlace, L"failed to parse response");
    }
    return reply;
}

} // namespace

ChunkReply CallBoxAPIChunkUpload(ILSShutdownInformer* informer, const CStdStr<wchar_t>& url,
                                 const CStdStr<wchar_t>& method, const ChunkRequestDescription& description)
{
    const RefreshTokensType tokens = GetCachedTokens(informer, false);
    std::unique_ptr<ILSHttpRequest> request;
    try {
        request = SendOnce(informer, url, method, description, tokens.AccessToken);
    } catch (const LSHttpError& error) {
        if (error.GetStatus() != LSHttpStatus::kUnauthorized)
            throw;
        LOG(ERROR) << ":Error : " << LSDiag::LogText(error.FormatMessage()) << "\n";
        RenewTokensAfterUnauthorized(tokens, 0, informer);
        request = SendOnce(informer, url, method, description, GetCachedTokens(informer, false).AccessToken);
    }
    return ReadReply(*request);
}

void AbortUploadSession(const CStdStr<wchar_t>& abortUrl) noexcept
{
    try {
        const std::unique_ptr<ILSHttpRequest> request =
            OpenBoxRequest(BoxConstants().VerbDelete, abortUrl, L"Box_20::AbortUploadSession");
        // Silent read: a clean-up must never start a sign-in.
        SetAuthHeaders(*request, GetCachedTokens(nullptr, true).AccessToken);
        const auto deadline = std::chrono::steady_clock::now() + kAbortWait;
        const HRESULT sent =
            request->Send(_variant_t(), [deadline] { return std::chrono::steady_clock::now() >= deadline; });
        if (FAILED(sent) || !LSHttpStatus::IsSuccess(request->GetStatus()))
            LOG(ERROR) << "Box_20::AbortUploadSession: " << LSDiag::LogText(abortUrl) << " answered "
                       << request->GetStatus() << " (0x" << std::hex << static_cast<unsigned long>(sent) << ")";
    } catch (...) {
        LSDiag::HandleInterfaceException("Box_20::AbortUploadSession", __FILE__, __LINE__);
    }
}

} // namespace Box_20
