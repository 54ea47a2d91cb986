// Test doubles of ILSHttpRequest for test runners: the recorder sends for real and writes each
// completed exchange down; the playback answers from those files without touching the network.
// Files and naming: LSHttpRecordingFiles.h.
#pragma once

#include "LSHttpRecordingFiles.h"
#include "LSHttpRequestBase.h"

#include <memory>

namespace LSHttpRequestMocks {

class LSHttpRequestRecorder final : public ILSHttpRequest {
public:
    LSHttpRequestRecorder(std::unique_ptr<ILSHttpRequest> real, RecordingPlace place);

    HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password) override;
    HRESULT SetRequestHeader(const _bstr_t& name, const _bstr_t& value) override;
    // A reply that arrived is recorded whatever its status; a cancelled or failed send is not.
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;
    HRESULT Abort() override;

    long GetReadyState() const override;
    long GetStatus() const override;
    _bstr_t GetStatusText() const override;
    _bstr_t GetResponseText() const override;
    std::vector<BYTE> GetResponseBody() const override;
    _bstr_t GetAllResponseHeaders() const override;
    _bstr_t GetResponseHeader(const _bstr_t& name) const override;
    const std::wstring& GetMethod() const override;
    const std::wstring& GetUrl() const override;
    const LSHttpHeaderList& GetRequestHeaders() const override;

private:
    void Record(const VARIANT& body) const;

    std::unique_ptr<ILSHttpRequest> m_real;
    RecordingPlace m_place;
};

class LSHttpRequestPlayback final : public LSHttpRequestBase {
public:
    explicit LSHttpRequestPlayback(RecordingPlace place);

    HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password) override;
    HRESULT SetRequestHeader(const _bstr_t& name, const _bstr_t& value) override;
    // Takes the next recorded reply, which must have been recorded for the same method and path:
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), logged with the expected file, when it was not.
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;
    HRESULT Abort() override;

    long GetReadyState() const override;
    long GetStatus() const override;
    _bstr_t GetStatusText() const override;
    _bstr_t GetResponseText() const override;
    std::vector<BYTE> GetResponseBody() const override;
    _bstr_t GetAllResponseHeaders() const override;
    _bstr_t GetResponseHeader(const _bstr_t& name) const override;

private:
    RecordingPlace m_place;
    long m_readyState = 0;
    RecordedResponse m_response;
};

} // namespace LSHttpRequestMocks
