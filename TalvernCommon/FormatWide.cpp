// FormatWide goes to the C runtime's own _vsnwprintf, whose "%s" in a wide format is a wide
// string; the C99 printf that g++ selects by default would read it as a narrow one.
#include "StringUtils.h"

#include "HResultException.h"

#include <cstdarg>
#include <cwchar>

namespace {

int FormattedLength(const wchar_t* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int length = ::_vscwprintf(format, copy);
    va_end(copy);
    return length;
}

} // namespace

CStdStr<wchar_t> FormatWideDetail::FormatWideArgs(const wchar_t* format, ...)
{
    if (format == nullptr)
        throw hresult_exception(E_INVALIDARG, "FormatWide: null format");
    va_list args;
    va_start(args, format);
    CStdStr<wchar_t> text;
    const int length = FormattedLength(format, args);
    try {
        if (length > 0) {
            text.resize(static_cast<size_t>(length));
            ::_vsnwprintf(text.data(), text.size(), format, args);
        }
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    if (length < 0)
        throw hresult_exception(E_INVALIDARG, "FormatWide: invalid format");
    return text;
}
