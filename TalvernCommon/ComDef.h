// The include point for the compiler's COM support classes (_bstr_t, _variant_t, _com_error).
// MinGW's headers define _com_issue_error inline (it throws _com_error) but leave the ANSI/BSTR
// conversions and _com_issue_errorex to a support library it does not ship: ComSupport.cpp
// supplies them, so every user of these classes links TalvernCommon.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <comdef.h>
