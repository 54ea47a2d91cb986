// A BSTR's text as the rest of the code holds it.
#pragma once

#include "ComDef.h"
#include "StdString.h"

#include <string_view>

// The whole text, embedded nulls included; a null BSTR (the COM spelling of "") is empty.
inline CStdStr<wchar_t> BstrText(const _bstr_t& text)
{
    return CStdStr<wchar_t>(std::wstring_view(static_cast<const wchar_t*>(text), text.length()));
}

// The same for a BSTR the caller keeps (a host method's argument).
inline CStdStr<wchar_t> BstrText(BSTR text)
{
    return text != nullptr ? CStdStr<wchar_t>(std::wstring_view(text, ::SysStringLen(text))) : CStdStr<wchar_t>();
}
