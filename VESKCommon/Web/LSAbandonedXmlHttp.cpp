#include "LSAbandonedXmlHttp.h"

#include "LSDiag.h"

#include <array>
#include <mutex>
#include <utility>

namespace {

constexpr long kReadyStateComplete = 4;

// Each kept object holds its request and its reply, and only one whose transfer never ends stays
// for long. Beyond this many, a given-up object is left to the platform unkept: releasing it early
// is never safe.
constexpr size_t kCapacity = 16;

struct KeptRequest {
    IXMLHTTPRequest* request;
    DWORD threadId;
};

using FinishedRequests = std::array<IXMLHTTPRequest*, kCapacity>;

// Set up before any code runs and without destructors: nothing of it runs when the module
// unloads. What is still kept then stays with the platform.
std::mutex g_lock;
std::array<KeptRequest, kCapacity> g_kept{};

bool TransferEnded(IXMLHTTPRequest& request)
{
    long state = 0;
    return SUCCEEDED(request.get_readyState(&state)) && state == kReadyStateComplete;
}

// Only the thread that gave an object up asks it: the binding's last notice runs on that thread,
// so an object seen complete there is one the binding has let go of.
size_t TakeFinished(FinishedRequests& finished)
{
    const DWORD thread = ::GetCurrentThreadId();
    size_t count = 0;
    for (KeptRequest& kept : g_kept) {
        if (kept.request != nullptr && kept.threadId == thread && TransferEnded(*kept.request))
            finished[count++] = std::exchange(kept.request, nullptr);
    }
    return count;
}

bool Shelve(IXMLHTTPRequest* request)
{
    for (KeptRequest& kept : g_kept) {
        if (kept.request == nullptr) {
            kept = {request, ::GetCurrentThreadId()};
            return true;
        }
    }
    return false;
}

} // namespace

namespace LSAbandonedXmlHttp {

void Keep(TalvernCommon::com_ptr<IXMLHTTPRequest> request)
{
    IXMLHTTPRequest* const givenUp = request.detach();
    ReleaseFinished();
    bool shelved = false;
    {
        const std::lock_guard<std::mutex> lock(g_lock);
        shelved = Shelve(givenUp);
    }
    if (!shelved)
        LS_DIAG_LOG(1) << "LSAbandonedXmlHttp::Keep: " << kCapacity
                       << " given-up transfers still running; this one is left to the platform";
}

void ReleaseFinished()
{
    FinishedRequests finished;
    size_t count = 0;
    {
        const std::lock_guard<std::mutex> lock(g_lock);
        count = TakeFinished(finished);
    }
    for (size_t i = 0; i < count; ++i)
        finished[i]->Release();
}

} // namespace LSAbandonedXmlHttp
