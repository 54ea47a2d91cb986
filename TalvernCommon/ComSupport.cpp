// The out-of-line parts of the compiler's COM support classes, which MinGW leaves to the
// application: ANSI <-> BSTR conversion for _bstr_t, and raising an error with the object's
// error information.
#include "ComDef.h"

#include "ComPtr.h"

#include <memory>

namespace _com_util {

BSTR WINAPI ConvertStringToBSTR(const char* source)
{
    if (source == nullptr)
        return nullptr;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, source, -1, nullptr, 0);
    if (length <= 0)
        _com_issue_error(HRESULT_FROM_WIN32(::GetLastError()));
    BSTR converted = ::SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
    if (converted == nullptr)
        _com_issue_error(E_OUTOFMEMORY);
    ::MultiByteToWideChar(CP_ACP, 0, source, -1, converted, length);
    return converted;
}

// The caller (_bstr_t) frees the result with delete[].
char* WINAPI ConvertBSTRToString(BSTR source)
{
    if (source == nullptr)
        return nullptr;
    const int wideLength = static_cast<int>(::SysStringLen(source));
    const int length = ::WideCharToMultiByte(CP_ACP, 0, source, wideLength, nullptr, 0, nullptr, nullptr);
    if (length < 0 || (length == 0 && wideLength > 0))
        _com_issue_error(HRESULT_FROM_WIN32(::GetLastError()));
    auto converted = std::make_unique<char[]>(static_cast<size_t>(length) + 1);
    ::WideCharToMultiByte(CP_ACP, 0, source, wideLength, converted.get(), length, nullptr, nullptr);
    converted[static_cast<size_t>(length)] = '\0';
    return converted.release();
}

} // namespace _com_util

void WINAPI _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID iid)
{
    IErrorInfo* errorInfo = nullptr;
    TalvernCommon::com_ptr<ISupportErrorInfo> support;
    if (object != nullptr && SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, support.put_void())) &&
        support->InterfaceSupportsErrorInfo(iid) == S_OK && ::GetErrorInfo(0, &errorInfo) != S_OK)
        errorInfo = nullptr;
    // _com_error takes over the reference GetErrorInfo gave.
    _com_raise_error(hr, errorInfo);
}
