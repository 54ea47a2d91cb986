// Test doubles of ILSHttpRequest for test runners: the recorder sends for real and writes each
// completed exchange down; the playback answers from those files without touching the network.
// Files and naming: LSHttpRecordingFiles.h.
#pragma once

#include "LSHttpRecordingFiles.h"
#include "LSHttpRequestForwarder.h"
#include "LSHttpRequestWholeReply.h"

#include <memory>

namespace LSHttpRequestMocks {

class LSHttpRequestRecorder final : public LSHttpRequestForwarder {
public:
    LSHttpRequestRecorder(std::unique_ptr<ILSHttpRequest> real, RecordingPlace place);

    // A reply that arrived is recorded whatever its status; a cancelled or failed send is not.
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;

private:
    void Record(const VARIANT& body) const;

    RecordingPlace m_place;
};

class LSHttpRequestPlayback final : public LSHttpRequestWholeReply {
public:
    explicit LSHttpRequestPlayback(RecordingPlace place);

    // Takes the next recorded reply, which must have been recorded for the same method and path:
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), logged with the expected file, when it was not.
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;

private:
    RecordingPlace m_place;
};

} // namespace LSHttpRequestMocks
