// Owners for the values that cross COM interfaces: BSTR, SAFEARRAY and VARIANT.
#pragma once

#include "UniqueResource.h"

#include <oleauto.h>

#include <utility>

namespace TalvernCommon {

using unique_bstr = unique_any<detail::SimpleTraits<BSTR, nullptr, ::SysFreeString>>;
using unique_safearray = unique_any<detail::SimpleTraits<SAFEARRAY*, nullptr, ::SafeArrayDestroy>>;

// A VARIANT is a value, not a handle, so it gets its own owner: cleared exactly once, on every path.
class unique_variant {
public:
    unique_variant() noexcept { ::VariantInit(&m_value); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    unique_variant(unique_variant&& other) noexcept : m_value(other.release()) {}
    unique_variant& operator=(unique_variant&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_value = other.release();
        }
        return *this;
    }
    ~unique_variant() { reset(); }

    // Adopts what `value` holds (as an out-parameter filled it); the caller must not clear it.
    static unique_variant attach(const VARIANT& value) noexcept
    {
        unique_variant result;
        result.m_value = value;
        return result;
    }

    VARIANT* get() noexcept { return &m_value; }
    const VARIANT* get() const noexcept { return &m_value; }
    VARTYPE vt() const noexcept { return m_value.vt; }

    // Hands the content over; this owner is left VT_EMPTY.
    VARIANT release() noexcept
    {
        VARIANT out = m_value;
        ::VariantInit(&m_value);
        return out;
    }

    void reset() noexcept
    {
        ::VariantClear(&m_value);
        ::VariantInit(&m_value);
    }

    // For out-parameters of APIs that fill a VARIANT.
    VARIANT* put() noexcept
    {
        reset();
        return &m_value;
    }

private:
    VARIANT m_value;
};

} // namespace TalvernCommon
