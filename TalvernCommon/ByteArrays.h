// Request and reply bodies as COM byte arrays (VT_ARRAY | VT_UI1), the form HTTP bodies take.
#pragma once

#include "ComDef.h"
#include "ComOwners.h"

#include <cstdint>

namespace TalvernCommon {

// A zero-filled byte array of that size; throws hresult_exception E_INVALIDARG when the size
// cannot be one array's (over 4 GiB - 1), _com_error E_OUTOFMEMORY when it cannot be had.
unique_safearray CreateByteArray(uint64_t size, const char* what);

// The array as a VARIANT that owns it.
_variant_t ByteArrayVariant(unique_safearray array);

// Holds a safe array's data locked for the length of a scope, so that a failure while filling
// it still unlocks it and the array can be destroyed.
class SafeArrayData {
public:
    explicit SafeArrayData(SAFEARRAY* array);
    SafeArrayData(const SafeArrayData&) = delete;
    SafeArrayData& operator=(const SafeArrayData&) = delete;
    ~SafeArrayData() { ::SafeArrayUnaccessData(m_array); }

    BYTE* Bytes() const { return static_cast<BYTE*>(m_data); }

private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
};

} // namespace TalvernCommon
