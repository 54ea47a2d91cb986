// The e-mail header and content fingerprint a Box listing knows about a file, written onto the
// Outlook item without downloading its content.
#include "VESKBoxSyncFilterImpl.h"

#include "HResultException.h"

bool VESKBoxSyncFilterImpl::SetHeaderMapiProperties(const CStdStr<wchar_t>&, ILSPropertyMap*)
{
    throw hresult_exception(E_NOTIMPL, "VESKBoxSyncFilterImpl::SetHeaderMapiProperties is not available yet");
}
