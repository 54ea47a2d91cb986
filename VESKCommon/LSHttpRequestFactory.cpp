#include "LSHttpRequestFactory.h"

#include "LSComponentFactory.h"
#include "LSHttpRequestMocks.h"
#include "LSXmlHttpRequest.h"

namespace LSHttpRequestFactory {
namespace {

std::unique_ptr<ILSHttpRequest> CreateXmlHttpRequest() { return std::make_unique<LSXmlHttpRequest>(); }

std::unique_ptr<ILSHttpRequest> CreateRecorder()
{
    return std::make_unique<LSHttpRequestMocks::LSHttpRequestRecorder>(CreateXmlHttpRequest(),
                                                                       LSHttpRequestMocks::ReadRecordingPlace());
}

std::unique_ptr<ILSHttpRequest> CreatePlayback()
{
    return std::make_unique<LSHttpRequestMocks::LSHttpRequestPlayback>(LSHttpRequestMocks::ReadRecordingPlace());
}

const LSComponentFactory<ILSHttpRequest>& Factory()
{
    static const LSComponentFactory<ILSHttpRequest> factory(
        L"ILSHttpRequest", CreateXmlHttpRequest, {{L"record", CreateRecorder}, {L"playback", CreatePlayback}});
    return factory;
}

} // namespace

std::unique_ptr<ILSHttpRequest> CreateHttpRequest() { return Factory().Create(); }

} // namespace LSHttpRequestFactory
