#include "BoxErrors.h"

#include "BoxJson.h"
#include "BstrText.h"
#include "ComDef.h"
#include "LSBaseJsonWS.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSNamedProperties.h"
#include "Utf8Converter.h"

#include <json/value.h>

#include <stdexcept>

namespace Box_20 {

namespace {

constexpr wchar_t kBoxErrorCodeLabel[] = L"[Box Error Code]";
constexpr wchar_t kBoxErrorMessageLabel[] = L"[Box Error Message]";
constexpr wchar_t kSyncIssueTypeError[] = L"ERROR";

CStdStr<wchar_t> BoxErrorText(const std::wstring& code, const std::wstring& message)
{
    return CStdStr<wchar_t>(kBoxErrorCodeLabel) + code + L"\n" + kBoxErrorMessageLabel + message + L"\n";
}

void PutText(ILSPropertyMap* propertyMap, const _bstr_t& name, const std::wstring& value)
{
    const HRESULT written = propertyMap->put_ItemStr(name, _bstr_t(value.c_str()));
    if (FAILED(written))
        LOG(ERROR) << "Box_20::HandleError" << "Unexpected return: " << std::hex << static_cast<unsigned long>(written);
}

} // namespace

CStdStr<wchar_t> ParseBoxErrorText(const std::wstring& replyText, const std::wstring& httpStatus)
{
    // Lenient conversion: a reply with an unpaired surrogate is still read.
    const std::string utf8 = LSDiag::LogText(replyText);
    Json::Value reply;
    std::string errors;
    if (!CLSBaseJsonWS::TryParseJson(utf8, reply, errors)) {
        LOG(ERROR) << " Reader error:\n" << errors << "\n";
        return BoxErrorText({}, {}) + httpStatus;
    }
    if (GetJsonString(reply, "type") != L"error") {
        LOG(ERROR) << " Response:\n" << utf8 << "\n";
        return {};
    }
    return BoxErrorText(GetJsonString(reply, "code"), GetJsonString(reply, "message"));
}

CStdStr<wchar_t> ParseBoxError(const std::unique_ptr<ILSHttpRequest>& request)
{
    if (!request)
        return {};
    const LSHttpError failure(request->GetStatus(), HttpErrorMessageFromStatusText(BstrText(request->GetStatusText())));
    return ParseBoxErrorText(BstrText(request->GetResponseText()), failure.FormatMessage());
}

CStdStr<wchar_t> BoxErrorTextOf(const LSHttpError& error)
{
    return ParseBoxErrorText(error.GetDetail(), LSHttpError(error.GetStatus(), error.GetMessage()).FormatMessage());
}

void RecordSyncIssue(ILSPropertyMap* propertyMap, const std::wstring& message)
{
    PutText(propertyMap, LSNamedProperties::QuentraSyncIssueMessage, message);
    PutText(propertyMap, LSNamedProperties::QuentraSyncIssueType, kSyncIssueTypeError);
}

CStdStr<wchar_t> HandleError(const std::unique_ptr<ILSHttpRequest>& request, ILSPropertyMap* propertyMap)
{
    try {
        CStdStr<wchar_t> text = ParseBoxError(request);
        if (!text.empty() && propertyMap != nullptr)
            RecordSyncIssue(propertyMap, text);
        return text;
    } catch (...) {
        // Reporting a failure must not become a failure of its own.
        LSDiag::HandleInterfaceException("Box_20::HandleError", __FILE__, __LINE__);
        return {};
    }
}

} // namespace Box_20
