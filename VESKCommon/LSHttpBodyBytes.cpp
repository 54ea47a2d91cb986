#include "LSHttpBodyBytes.h"

#include "Utf8Converter.h"

LSHttpBodyBytes::LSHttpBodyBytes(std::string bytes) : m_ownedBytes(std::move(bytes)) {}

LSHttpBodyBytes::LSHttpBodyBytes(const VARIANT& body)
{
    if (body.vt == VT_BSTR)
        m_ownedBytes =
            WideToUtf8Lossy(std::wstring_view(body.bstrVal ? body.bstrVal : L"", ::SysStringLen(body.bstrVal)));
    else if (body.vt == (VT_ARRAY | VT_UI1))
        LockArrayBytes(body.parray);
}

void LSHttpBodyBytes::LockArrayBytes(SAFEARRAY* array)
{
    LONG lower = 0;
    LONG upper = -1;
    void* data = nullptr;
    if (array == nullptr || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)) || upper < lower ||
        FAILED(::SafeArrayAccessData(array, &data)))
        return;
    m_lockedArray.reset(array);
    m_arrayBytes = std::string_view(static_cast<const char*>(data),
                                    static_cast<size_t>(upper) - static_cast<size_t>(lower) + 1);
}
