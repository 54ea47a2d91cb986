// A SAFEARRAY of BSTR (VT_BSTR, lower bound 0) built from wide strings, destroyed with its owner.
#pragma once

#include "ComOwners.h"

#include <iterator>
#include <string_view>

class LSSafeArrayVector {
public:
    // Copies of the texts, in order. Throws hresult_exception E_OUTOFMEMORY when allocation fails.
    template <typename Strings>
    explicit LSSafeArrayVector(const Strings& texts)
    {
        Create(std::size(texts));
        LONG index = 0;
        for (const auto& text : texts)
            SetAt(index++, std::wstring_view(text));
    }

    SAFEARRAY* get() const noexcept { return m_array.get(); }
    ULONG size() const noexcept;
    // Hands the array to a new owner (an out-parameter that the receiver frees).
    SAFEARRAY* release() noexcept { return m_array.release(); }

    // A VT_ARRAY | VT_BSTR view for an [in] argument; it stays owned here, so never clear it.
    VARIANT AsInVariant() const noexcept;

private:
    void Create(size_t count);
    void SetAt(LONG index, std::wstring_view text);

    TalvernCommon::unique_safearray m_array;
};
