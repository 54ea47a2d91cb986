#include "LSAbandonedXmlHttp.h"

#include "LSDiag.h"
#include "UniqueResource.h"

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
    // The thread that gave it up, to see that it has ended; null when it could not be opened.
    HANDLE thread;
};

using FinishedRequests = std::array<KeptRequest, kCapacity>;

// Set up before any code runs and without destructors: nothing of it runs when the module
// unloads. What is still kept then stays with the platform.
std::mutex g_lock;
std::array<KeptRequest, kCapacity> g_kept{};

bool TransferEnded(IXMLHTTPRequest& request)
{
    long state = 0;
    return SUCCEEDED(request.get_readyState(&state)) && state == kReadyStateComplete;
}

bool ThreadEnded(HANDLE thread) { return thread != nullptr && ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// Only the thread that gave an object up asks it: the binding's last notice runs on that thread,
// so an object seen complete there is one the binding has let go of. Once that thread has ended,
// any thread may let go of it: the binding reaches the object only through notices posted to a
// window of the ending thread, which went with it, so nothing can touch the object any more.
// While the thread lives, its id is its own.
bool MayRelease(const KeptRequest& kept, DWORD thread)
{
    return ThreadEnded(kept.thread) || (kept.threadId == thread && TransferEnded(*kept.request));
}

size_t TakeFinished(FinishedRequests& finished)
{
    const DWORD thread = ::GetCurrentThreadId();
    size_t count = 0;
    for (KeptRequest& kept : g_kept) {
        if (kept.request != nullptr && MayRelease(kept, thread))
            finished[count++] = std::exchange(kept, KeptRequest{});
    }
    return count;
}

bool Shelve(IXMLHTTPRequest* request, TalvernCommon::unique_handle& thread)
{
    for (KeptRequest& kept : g_kept) {
        if (kept.request == nullptr) {
            kept = {request, ::GetCurrentThreadId(), thread.release()};
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
    TalvernCommon::unique_handle thread(::OpenThread(SYNCHRONIZE, FALSE, ::GetCurrentThreadId()));
    bool shelved = false;
    {
        const std::lock_guard<std::mutex> lock(g_lock);
        shelved = Shelve(givenUp, thread);
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
    for (size_t i = 0; i < count; ++i) {
        const TalvernCommon::unique_handle thread(finished[i].thread);
        finished[i].request->Release();
    }
}

} // namespace LSAbandonedXmlHttp
