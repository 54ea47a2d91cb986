// The bytes a request body puts on the wire, read where they lie. A byte array is not copied: its
// data stays locked while held here (a locked array cannot be destroyed), so that an upload body
// of tens of MiB exists once in the 2 GiB of a 32-bit process. A BSTR's UTF-8 form is held here.
#pragma once

#include "UniqueResource.h"

#include <oleauto.h>

#include <string>
#include <string_view>

class LSHttpBodyBytes {
public:
    LSHttpBodyBytes() = default;
    explicit LSHttpBodyBytes(std::string bytes);
    // VT_ARRAY | VT_UI1 in place, a BSTR as UTF-8; anything else, or an array that cannot be
    // read, gives no bytes.
    explicit LSHttpBodyBytes(const VARIANT& body);

    // Valid while this object holds the bytes.
    std::string_view View() const { return m_lockedArray ? m_arrayBytes : std::string_view(m_ownedBytes); }

private:
    using unique_array_lock =
        TalvernCommon::unique_any<TalvernCommon::detail::SimpleTraits<SAFEARRAY*, nullptr, ::SafeArrayUnaccessData>>;

    void LockArrayBytes(SAFEARRAY* array);

    unique_array_lock m_lockedArray;
    std::string_view m_arrayBytes;
    std::string m_ownedBytes;
};
