// One owning type per Win32 resource: the handle is closed exactly once, on every path.
#pragma once

#include <windows.h>
#include <wininet.h>
#include <utility>

namespace TalvernCommon {

// Traits: `type`, `invalid()` and `close(type)`.
template <typename Traits>
class unique_any {
public:
    using pointer = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : m_value(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    pointer get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Traits::invalid(); }

    pointer release() noexcept { return std::exchange(m_value, Traits::invalid()); }

    void reset(pointer value = Traits::invalid()) noexcept
    {
        pointer old = std::exchange(m_value, value);
        if (old != Traits::invalid())
            Traits::close(old);
    }

    // For out-parameters of APIs that create the resource.
    pointer* put() noexcept
    {
        reset();
        return &m_value;
    }

private:
    pointer m_value = Traits::invalid();
};

namespace detail {
template <typename T, T Invalid, auto Close>
struct SimpleTraits {
    using type = T;
    static type invalid() noexcept { return Invalid; }
    static void close(type value) noexcept { Close(value); }
};

struct FileHandleTraits {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type value) noexcept { ::CloseHandle(value); }
};

struct FindHandleTraits {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type value) noexcept { ::FindClose(value); }
};
} // namespace detail

// Handles whose invalid value is null (events, threads, processes, mutexes).
using unique_handle = unique_any<detail::SimpleTraits<HANDLE, nullptr, ::CloseHandle>>;
// File handles, whose invalid value is INVALID_HANDLE_VALUE.
using unique_hfile = unique_any<detail::FileHandleTraits>;
using unique_hfind = unique_any<detail::FindHandleTraits>;
using unique_hkey = unique_any<detail::SimpleTraits<HKEY, nullptr, ::RegCloseKey>>;
using unique_hmodule = unique_any<detail::SimpleTraits<HMODULE, nullptr, ::FreeLibrary>>;
using unique_hinternet = unique_any<detail::SimpleTraits<HINTERNET, nullptr, ::InternetCloseHandle>>;
using unique_hwnd = unique_any<detail::SimpleTraits<HWND, nullptr, ::DestroyWindow>>;

} // namespace TalvernCommon
