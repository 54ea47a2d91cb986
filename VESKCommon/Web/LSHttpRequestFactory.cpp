#include "LSHttpRequestFactory.h"

#include "LSComponentFactory.h"
#include "LSHttpRequestMocks.h"
#include "LSHttpRequest.h"

namespace LSHttpRequestFactory {
namespace {

std::unique_ptr<ILSHttpRequest> CreateRealRequest() { return std::make_unique<LSHttpRequest>(); }

std::unique_ptr<ILSHttpRequest> CreateRecorder()
{
    return std::make_unique<LSHttpRequestMocks::LSHttpRequestRecorder>(CreateRealRequest(),
                                                                       LSHttpRequestMocks::ReadRecordingPlace());
}

std::unique_ptr<ILSHttpRequest> CreatePlayback()
{
    return std::make_unique<LSHttpRequestMocks::LSHttpRequestPlayback>(LSHttpRequestMocks::ReadRecordingPlace());
}

const LSComponentFactory<ILSHttpRequest>& Factory()
{
    static const LSComponentFactory<ILSHttpRequest> factory(
        L"ILSHttpRequest", CreateRealRequest, {{L"record", CreateRecorder}, {L"playback", CreatePlayback}});
    return factory;
}

} // namespace

std::unique_ptr<ILSHttpRequest> CreateHttpRequest() { return Factory().Create(); }

} // namespace LSHttpRequestFactory
