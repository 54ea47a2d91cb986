// The only way to a new ILSHttpRequest. The setting "Mock.ILSHttpRequest" chooses it:
//   empty (default)  the real request (XMLHTTP or WinINet; see LSHttpRequest.h);
//   "record"         the real request, each exchange written to recording files;
//   "playback"       the recorded replies, in order, without network.
// Recording files and their settings: LSHttpRecordingFiles.h.
#pragma once

#include "ILSHttpRequest.h"

#include <memory>

namespace LSHttpRequestFactory {

// Throws hresult_exception E_INVALIDARG for an unknown "Mock.ILSHttpRequest" value, or for
// "record" and "playback" without "Mock.ILSHttpRequest.BaseRecordingDirectory".
std::unique_ptr<ILSHttpRequest> CreateHttpRequest();

} // namespace LSHttpRequestFactory
