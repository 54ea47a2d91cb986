// The one boundary where exceptions become HRESULTs.
#include "LSDiag.h"

#include "ComDef.h"
#include "HResultException.h"
#include "LSComBoundary.h"
#include "StringUtils.h"
#include "Utf8Converter.h"

#include <exception>

namespace {

struct CaughtError {
    const wchar_t* kind;
    CStdStr<wchar_t> text;
};

CaughtError DescribeCurrentException()
{
    const wchar_t* const unknown = L": Caught unknown exception at interface - ";
    if (!std::current_exception())
        return {unknown, CStdStr<wchar_t>()};
    try {
        throw;
    } catch (const hresult_exception& e) {
        // The system's own messages carry file names and Box texts as UTF-8.
        return {L": Caught hresult_exception at interface - ", Utf8ToWideLossy(e.what())};
    } catch (const std::exception& e) {
        return {L": Caught std::exception at interface - ", Utf8ToWideLossy(e.what())};
    } catch (HRESULT hr) {
        return {L": Caught HRESULT at interface - ", FormatWide(L"0x%08x", static_cast<unsigned long>(hr))};
    } catch (const _com_error& e) {
        const wchar_t* message = e.ErrorMessage();
        return {L": Caught _com_error at interface - ", CStdStr<wchar_t>(message)};
    } catch (...) {
        return {unknown, CStdStr<wchar_t>()};
    }
}

} // namespace

namespace LSDiag {

HRESULT HandleInterfaceException(const char* methodName, const char* sourceFile, int line,
                                 CStdStr<wchar_t>* errorText) noexcept
{
    try {
        const HRESULT hr = std::current_exception() ? LSHResultOfCurrentException() : E_FAIL;
        const CaughtError caught = DescribeCurrentException();
        // The method and the kind are for the log; the caller's text reaches users as a sync issue.
        const CStdStr<wchar_t> message = AnsiToWide(methodName != nullptr ? methodName : "") + caught.kind + caught.text;
        google::LogMessage(sourceFile != nullptr ? sourceFile : "", line, google::GLOG_ERROR).stream()
            << LogText(message);
        if (errorText != nullptr)
            *errorText = caught.text;
        return hr;
    } catch (...) {
        // Out of memory while reporting: the method still fails.
        return E_FAIL;
    }
}

} // namespace LSDiag
