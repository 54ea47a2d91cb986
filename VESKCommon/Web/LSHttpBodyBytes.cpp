#include "LSHttpBodyBytes.h"

#include "HResultException.h"
#include "Utf8Converter.h"

#include <algorithm>
#include <limits>

LSHttpBodyBytes::LSHttpBodyBytes(std::string bytes) : m_ownedBytes(std::move(bytes)) {}

LSHttpBodyBytes::LSHttpBodyBytes(const VARIANT& body)
{
    if (body.vt == VT_BSTR)
        m_ownedBytes =
            WideToUtf8Lossy(std::wstring_view(body.bstrVal ? body.bstrVal : L"", ::SysStringLen(body.bstrVal)));
    else if (body.vt == (VT_ARRAY | VT_UI1))
        LockArrayBytes(body.parray);
    else if (body.vt == VT_UNKNOWN && body.punkVal != nullptr)
        OpenStream(body.punkVal);
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

void LSHttpBodyBytes::OpenStream(IUnknown* unknown)
{
    TalvernCommon::com_ptr<IStream> stream = TalvernCommon::com_ptr<IUnknown>(unknown).query<IStream>(IID_IStream);
    if (!stream)
        return;
    // A body is sent again after a refresh or a server error: it always starts from the top.
    ULARGE_INTEGER end{};
    const LARGE_INTEGER zero{};
    HRESULT hr = stream->Seek(zero, STREAM_SEEK_END, &end);
    if (SUCCEEDED(hr))
        hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr))
        throw hresult_exception(hr, "LSHttpBodyBytes: the body stream cannot be read from its start");
    m_stream = std::move(stream);
    m_streamSize = end.QuadPart;
}

size_t LSHttpBodyBytes::ReadNext(char* buffer, size_t count)
{
    if (!m_stream)
        return 0;
    ULONG read = 0;
    const ULONG wanted = static_cast<ULONG>(std::min<size_t>(count, std::numeric_limits<ULONG>::max()));
    const HRESULT hr = m_stream->Read(buffer, wanted, &read);
    if (FAILED(hr))
        throw hresult_exception(hr, "LSHttpBodyBytes: reading the body stream failed");
    return read;
}
