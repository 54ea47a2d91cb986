// Check-out and cancelled check-out of Outlook documents through Box locks.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxExceptions.h"
#include "BoxIds.h"
#include "BoxLocks.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"

namespace {

constexpr char kNoFileIdToCheckout[] = "unable to locate QuentraFromServerFileId property for document to checkout\n";
constexpr char kNoFileIdToCancel[] =
    "unable to locate QuentraFromServerFileId property for document to cancel  checkout\n";

// The shared course of the lock calls: the document's Box id, then the Box call; a failure of
// either fails the call with E_FAIL, no document or an id that is no Box id with E_INVALIDARG before
// any request.
template <class BoxCall>
HRESULT RunLockCall(const char* method, const char* missingIdText, ILSPropertyMap* document, BoxCall&& call)
{
    LS_DIAG_LOG(1) << method << "\n";
    if (document == nullptr) {
        LOG(ERROR) << method << ": pPropMap cannot be NULL";
        return E_INVALIDARG;
    }
    CStdStr<wchar_t> errorText;
    try {
        const CStdStr<wchar_t> fileId =
            LSPropertyHelpers::getRequiredProp(document, LSNamedProperties::QuentraFromServerFileId);
        if (fileId.empty()) {
            LOG(ERROR) << missingIdText;
            return E_FAIL;
        }
        if (!Box_20::IsBoxId(fileId)) {
            LOG(ERROR) << method << ": not a Box file id: \"" << LSDiag::LogText(fileId) << "\"";
            return E_INVALIDARG;
        }
        call(fileId);
    } catch (const Box_20::ApiException& failure) {
        errorText = failure.GetText();
        LOG(ERROR) << " " << LSDiag::LogText(errorText) << "\n";
    } catch (const LSHttpError& failure) {
        errorText = failure.FormatMessage();
        LOG(ERROR) << " " << LSDiag::LogText(errorText) << "\n";
    } catch (...) {
        LSDiag::HandleInterfaceException(method, __FILE__, __LINE__, &errorText);
    }
    return errorText.empty() ? S_OK : E_FAIL;
}

} // namespace

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_Checkout(ILSPropertyMap* document)
{
    return RunLockCall("VESKBoxSyncFilterImpl::raw_Checkout", kNoFileIdToCheckout, document,
                       [this](const CStdStr<wchar_t>& fileId) {
                           // Fetched once per process; the lock itself does not need it.
                           GetBoxUserId();
                           Box_20::CheckoutFile(fileId, m_shutdownInformer.get());
                       });
}

// A slot the host keeps for a method no Box filter serves.
HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_UnimplementedLockingMethod(long) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_IsCheckedOut(ILSPropertyMap* document, unsigned char* checkedOut)
{
    try {
        if (checkedOut == nullptr)
            return E_POINTER;
        long lockState = 0;
        const HRESULT hr = get_IsCheckedOut(document, &lockState);
        if (FAILED(hr))
            return hr;
        *checkedOut = lockState == -1 ? 255 : 0;
        return hr;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_IsCheckedOut")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_CancelCheckout(ILSPropertyMap* document)
{
    return RunLockCall("VESKBoxSyncFilterImpl::raw_CancelCheckout", kNoFileIdToCancel, document,
                       [this](const CStdStr<wchar_t>& fileId) {
                           Box_20::CancelCheckoutFile(fileId, m_shutdownInformer.get());
                       });
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::get_IsCheckedOut(ILSPropertyMap* document, long* lockState)
{
    if (lockState == nullptr)
        return E_POINTER;
    return RunLockCall("VESKBoxSyncFilterImpl::get_IsCheckedOut", kNoFileIdToCheckout, document,
                       [this, lockState](const CStdStr<wchar_t>& fileId) {
                           *lockState = Box_20::IsFileCheckedOut(fileId, m_shutdownInformer.get()) ? -1 : 0;
                       });
}
