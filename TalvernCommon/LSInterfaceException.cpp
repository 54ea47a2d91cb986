// The one boundary where exceptions become HRESULTs.
#include "LSDiag.h"

#include "ComDef.h"
#include "HResultException.h"
#include "StringUtils.h"
#include "Utf8Converter.h"

#include <exception>

namespace {

struct CaughtError {
    const wchar_t* kind;
    CStdStr<wchar_t> text;
    HRESULT hr;
};

// A thrown success code must not reach the host as success.
HRESULT FailureOrEFail(HRESULT hr) { return FAILED(hr) ? hr : E_FAIL; }

CaughtError ClassifyCurrentException()
{
    const wchar_t* const unknown = L": Caught unknown exception at interface - ";
    if (!std::current_exception())
        return {unknown, CStdStr<wchar_t>(), E_FAIL};
    try {
        throw;
    } catch (const hresult_exception& e) {
        // The system's own messages carry file names and Box texts as UTF-8.
        return {L": Caught hresult_exception at interface - ", Utf8ToWideLossy(e.what()), FailureOrEFail(e.hr())};
    } catch (const std::exception& e) {
        return {L": Caught std::exception at interface - ", Utf8ToWideLossy(e.what()), E_FAIL};
    } catch (HRESULT hr) {
        return {L": Caught HRESULT at interface - ", FormatWide(L"0x%08x", static_cast<unsigned long>(hr)),
                FailureOrEFail(hr)};
    } catch (const _com_error& e) {
        const wchar_t* message = e.ErrorMessage();
        return {L": Caught _com_error at interface - ", CStdStr<wchar_t>(message), FailureOrEFail(e.Error())};
    } catch (...) {
        return {unknown, CStdStr<wchar_t>(), E_FAIL};
    }
}

} // namespace

namespace LSDiag {

HRESULT HandleInterfaceException(const char* methodName, const char* sourceFile, int line,
                                 CStdStr<wchar_t>* errorText) noexcept
{
    try {
        const CaughtError caught = ClassifyCurrentException();
        const CStdStr<wchar_t> message = AnsiToWide(methodName != nullptr ? methodName : "") + caught.kind + caught.text;
        google::LogMessage(sourceFile != nullptr ? sourceFile : "", line, google::GLOG_ERROR).stream()
            << LogText(message);
        if (errorText != nullptr)
            *errorText = message;
        return caught.hr;
    } catch (...) {
        // Out of memory while reporting: the method still fails.
        return E_FAIL;
    }
}

} // namespace LSDiag
