#include "ByteArrays.h"

#include "HResultException.h"

#include <limits>
#include <string>

namespace TalvernCommon {

unique_safearray CreateByteArray(uint64_t size, const char* what)
{
    if (size > std::numeric_limits<ULONG>::max())
        throw hresult_exception(E_INVALIDARG, std::string(what) + ": too large for one request");
    unique_safearray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size)));
    if (!array)
        _com_issue_error(E_OUTOFMEMORY);
    return array;
}

_variant_t ByteArrayVariant(unique_safearray array)
{
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = array.release();
    _variant_t result;
    result.Attach(value);
    return result;
}

SafeArrayData::SafeArrayData(SAFEARRAY* array) : m_array(array)
{
    const HRESULT accessed = ::SafeArrayAccessData(m_array, &m_data);
    if (FAILED(accessed))
        _com_issue_error(accessed);
}

} // namespace TalvernCommon
