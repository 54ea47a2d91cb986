#include "LSHttpRequestMocks.h"

#include "BstrText.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSHttpMessageParts.h"

namespace LSHttpRequestMocks {
namespace {

LSHttpReply ToReply(RecordedResponse recorded)
{
    LSHttpReply reply;
    reply.status = recorded.status;
    reply.statusText = std::move(recorded.statusText);
    reply.headerLines = std::move(recorded.headerLines);
    reply.body = std::move(recorded.body);
    return reply;
}

} // namespace

LSHttpRequestRecorder::LSHttpRequestRecorder(std::unique_ptr<ILSHttpRequest> real, RecordingPlace place)
    : LSHttpRequestForwarder(std::move(real)), m_place(std::move(place))
{
}

HRESULT LSHttpRequestRecorder::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    const HRESULT sent = LSHttpRequestForwarder::Send(body, cancel);
    if (SUCCEEDED(sent)) {
        try {
            Record(body);
        } catch (const hresult_exception& error) {
            LOG(ERROR) << "LSHttpRequestRecorder::Send: " << error.what();
            return error.hr();
        }
    }
    return sent;
}

void LSHttpRequestRecorder::Record(const VARIANT& body) const
{
    const unsigned sequence = NextSequenceNumber(m_place, MockRole::Recorder);
    const std::wstring& method = GetMethod();
    const std::wstring& url = GetUrl();
    WriteRequestRecord(RecordingFilePath(m_place, sequence, RecordKind::Request, method, url), *this,
                       VariantBodyBytes(body));
    RecordedResponse response;
    response.status = GetStatus();
    response.statusText = BstrText(GetStatusText());
    response.headerLines = BstrText(GetAllResponseHeaders());
    const std::vector<BYTE> replyBody = GetResponseBody();
    response.body.assign(replyBody.begin(), replyBody.end());
    WriteResponseRecord(RecordingFilePath(m_place, sequence, RecordKind::Response, method, url), response);
}

LSHttpRequestPlayback::LSHttpRequestPlayback(RecordingPlace place) : m_place(std::move(place)) {}

HRESULT LSHttpRequestPlayback::Send(const VARIANT&, const LSCancelCheck& cancel)
{
    if (!IsOpened())
        return E_UNEXPECTED;
    if (cancel && cancel())
        return E_ABORT;
    const unsigned sequence = NextSequenceNumber(m_place, MockRole::Playback);
    const std::wstring path = RecordingFilePath(m_place, sequence, RecordKind::Response, GetMethod(), GetUrl());
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        LOG(ERROR) << "LSHttpRequestPlayback::Send: no recorded reply " << WideToUtf8Lossy(path);
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    try {
        Complete(ToReply(ReadResponseRecord(path)));
    } catch (const hresult_exception& error) {
        LOG(ERROR) << "LSHttpRequestPlayback::Send: " << error.what();
        return error.hr();
    }
    return S_OK;
}

} // namespace LSHttpRequestMocks
