#include "LSCancelCheck.h"

#include "ComPtr.h"
#include "VESKSyncBasicsLib.h"

LSCancelCheck MakeCancelCheck(ILSShutdownInformer* informer)
{
    if (informer == nullptr)
        return {};
    // The check may outlive the caller's reference (it is stored in request contexts).
    return [held = TalvernCommon::com_ptr<ILSShutdownInformer>(informer)] {
        VARIANT_BOOL stop = VARIANT_FALSE;
        return SUCCEEDED(held->get_IsShuttingDown(&stop)) && stop != VARIANT_FALSE;
    };
}

bool IsInformerOnTimer(ILSShutdownInformer* informer)
{
    VARIANT_BOOL onTimer = VARIANT_FALSE;
    return informer != nullptr && SUCCEEDED(informer->get_IsOnTimer(&onTimer)) && onTimer != VARIANT_FALSE;
}

void NotifyRequestStart(ILSShutdownInformer* informer)
{
    if (informer != nullptr)
        informer->NotifyRequestStart();
}
