// The files in which the recorder writes the traffic down and from which the playback answers.
//
// Each completed request gives two files in the folder "Mock.ILSHttpRequest.BaseRecordingDirectory":
//   <recording>_<sequence>_req_<METHOD>_<path>.txt   the request, secrets redacted
//   <recording>_<sequence>_res_<METHOD>_<path>.txt   the reply, secrets redacted
// <recording> is "Mock.ILSHttpRequest.RecordingName" (default "recording"); <sequence> counts the
// requests of that recording in this process from 1, six digits; <path> is the URL after its
// host (path and query), every character other than a letter, a digit, '-' or '.' turned into
// '_', cut to 80 characters. The host is left out so that a recording replays against any port.
//
// A file is a head of CRLF-terminated UTF-8 lines, an empty line and the body bytes as sent:
//   request: "METHOD URL", then "Name: value" per header in the order set;
//   reply:   "STATUS status text", then the reply's headers.
#pragma once

#include "ILSHttpRequest.h"

#include <string>
#include <string_view>

namespace LSHttpRequestMocks {

struct RecordingPlace {
    std::wstring directory;
    std::wstring name;
};

enum class RecordKind { Request, Response };

// The recorder and the playback count apart, so that one process can record and then replay.
enum class MockRole { Recorder, Playback };

struct RecordedResponse {
    long status = 0;
    std::wstring statusText;
    std::wstring headerLines;  // CRLF-separated, no trailing line break
    std::string body;
};

// From the "Mock.ILSHttpRequest." settings; an unset folder is a configuration error
// (hresult_exception E_INVALIDARG).
RecordingPlace ReadRecordingPlace();

// The next sequence number of this recording for that role, from 1.
unsigned NextSequenceNumber(const RecordingPlace& place, MockRole role);

std::wstring SanitizedUrlPath(std::wstring_view url);

std::wstring RecordingFilePath(const RecordingPlace& place, unsigned sequence, RecordKind kind,
                               std::wstring_view method, std::wstring_view url);

// Both throw hresult_exception when the file cannot be written.
void WriteRequestRecord(const std::wstring& path, const ILSHttpRequest& request, const std::string& body);
void WriteResponseRecord(const std::wstring& path, const RecordedResponse& response);

// Throws hresult_exception when the file cannot be read or its head is malformed.
RecordedResponse ReadResponseRecord(const std::wstring& path);

} // namespace LSHttpRequestMocks
