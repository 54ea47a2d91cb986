// The bytes a request body puts on the wire, read where they lie. A byte array is not copied: its
// data stays locked while held here (a locked array cannot be destroyed). A BSTR's UTF-8 form is
// held here. A stream (an IStream in a VT_UNKNOWN) is read block by block from its start, so that
// an upload body of any size never has to be in memory whole.
#pragma once

#include "ComPtr.h"
#include "UniqueResource.h"

#include <objidl.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <string_view>

class LSHttpBodyBytes {
public:
    LSHttpBodyBytes() = default;
    explicit LSHttpBodyBytes(std::string bytes);
    // VT_ARRAY | VT_UI1 in place, a BSTR as UTF-8, an IStream from its start; anything else, or
    // an array that cannot be read, gives no bytes. Throws hresult_exception for a stream that
    // cannot tell its size or go back to its start: sending it would send nothing.
    explicit LSHttpBodyBytes(const VARIANT& body);

    uint64_t Size() const { return m_stream ? m_streamSize : View().size(); }
    bool IsStream() const { return static_cast<bool>(m_stream); }

    // The bytes in memory; empty for a stream. Valid while this object holds them.
    std::string_view View() const { return m_lockedArray ? m_arrayBytes : std::string_view(m_ownedBytes); }

    // The next bytes of a stream, at most count of them, into the buffer; 0 at its end. Throws
    // hresult_exception when the stream fails to give them.
    size_t ReadNext(char* buffer, size_t count);

private:
    using unique_array_lock =
        TalvernCommon::unique_any<TalvernCommon::detail::SimpleTraits<SAFEARRAY*, nullptr, ::SafeArrayUnaccessData>>;

    void LockArrayBytes(SAFEARRAY* array);
    void OpenStream(IUnknown* unknown);

    unique_array_lock m_lockedArray;
    std::string_view m_arrayBytes;
    std::string m_ownedBytes;
    TalvernCommon::com_ptr<IStream> m_stream;
    uint64_t m_streamSize = 0;
};
