// XMLHTTP objects whose transfer was given up (a stop, a reply that showed no progress), kept until
// the platform is done with them.
//
// Wine's XMLHTTP cannot stop a transfer in flight: abort() leaves the binding running, and the
// binding's callback holds the object by a pointer that keeps no reference, writing the reply into
// it until the binding's last notice. Released before that, the object would be written after it
// was freed. That notice comes on the thread that sent the request, while it dispatches messages,
// and a binding that ended well leaves the object complete (readyState 4). One that failed leaves
// no mark: its object stays kept while that thread lives. Every notice of the binding goes through
// a window of that thread, which ends with it: once the thread has ended, no notice can reach the
// object any more, and it is released.
#pragma once

#include "ComPtr.h"

#include <windows.h>
#include <msxml2.h>

namespace LSAbandonedXmlHttp {

// Takes the object over, its transfer aborted, once it has let go of those ReleaseFinished lets go
// of. With too many kept, the object is left to the platform for good.
void Keep(TalvernCommon::com_ptr<IXMLHTTPRequest> request);

// Releases the objects this thread gave up whose transfer has ended, and those of threads that
// have ended.
void ReleaseFinished();

} // namespace LSAbandonedXmlHttp
