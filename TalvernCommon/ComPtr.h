// Owning COM interface pointer: one reference, released when replaced or destroyed.
#pragma once

#include <unknwn.h>
#include <utility>

namespace TalvernCommon {

template <typename T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Takes a new reference to an existing pointer.
    explicit com_ptr(T* value) noexcept : m_value(value) { AddRefIfSet(); }
    com_ptr(const com_ptr& other) noexcept : m_value(other.m_value) { AddRefIfSet(); }
    com_ptr(com_ptr&& other) noexcept : m_value(std::exchange(other.m_value, nullptr)) {}
    com_ptr& operator=(com_ptr other) noexcept
    {
        std::swap(m_value, other.m_value);
        return *this;
    }
    ~com_ptr() { reset(); }

    // Adopts a reference the caller already owns (as returned by a factory function).
    static com_ptr attach(T* value) noexcept
    {
        com_ptr result;
        result.m_value = value;
        return result;
    }

    T* get() const noexcept { return m_value; }
    T* operator->() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != nullptr; }

    T* detach() noexcept { return std::exchange(m_value, nullptr); }
    void reset() noexcept
    {
        if (T* old = std::exchange(m_value, nullptr))
            old->Release();
    }

    // For out-parameters: releases the current reference first.
    T** put() noexcept
    {
        reset();
        return &m_value;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Hands an added reference to an out-parameter, as COM methods must.
    HRESULT copy_to(T** out) const noexcept
    {
        if (out == nullptr)
            return E_POINTER;
        *out = m_value;
        AddRefIfSet();
        return S_OK;
    }

    template <typename U>
    com_ptr<U> query(REFIID iid) const noexcept
    {
        com_ptr<U> result;
        if (m_value != nullptr)
            m_value->QueryInterface(iid, result.put_void());
        return result;
    }

private:
    void AddRefIfSet() const noexcept
    {
        if (m_value != nullptr)
            m_value->AddRef();
    }

    T* m_value = nullptr;
};

} // namespace TalvernCommon
