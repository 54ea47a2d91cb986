#include "BoxExceptions.h"

#include "Utf8Converter.h"

#include <stdexcept>

namespace Box_20 {

namespace {

// A message with an unpaired surrogate still has to be thrown: its narrow form is best effort.
std::string NarrowForLog(const std::wstring& message)
{
    try {
        return GetThreadUtf8Converter().to_bytes(message);
    } catch (const std::range_error&) {
        return "Box_20::ApiException (message not representable in UTF-8)";
    }
}

CStdStr<wchar_t> Joined(const std::wstring& place, const std::wstring& condition)
{
    CStdStr<wchar_t> text(place);
    text += L' ';
    text += condition;
    return text;
}

} // namespace

ApiException::ApiException(CStdStr<wchar_t> message)
    : m_message(std::move(message)), m_narrow(NarrowForLog(m_message))
{
}

MultiphaseException::MultiphaseException(CStdStr<wchar_t> message, CStdStr<wchar_t> fileId)
    : ApiException(std::move(message)), m_fileId(std::move(fileId))
{
}

ApiException JoinWithSpace(const std::wstring& place, const std::wstring& condition)
{
    return ApiException(Joined(place, condition));
}

MultiphaseException JoinWithSpaceMultiphase(const std::wstring& place, const std::wstring& condition,
                                            const std::wstring& fileId)
{
    return MultiphaseException(Joined(place, condition), fileId);
}

} // namespace Box_20
