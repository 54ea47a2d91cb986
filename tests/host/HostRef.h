#pragma once
// Owners for what the test host hands out: COM references and BSTRs.

#include <objbase.h>
#include <oleauto.h>

#include <memory>
#include <utility>

namespace TestHost {

// Owns one reference to a COM object (a test object or an interface).
template <class T>
class HostRef {
public:
    HostRef() = default;
    // Takes over a reference that the caller already holds.
    static HostRef Adopt(T* object) { return HostRef(object); }

    HostRef(const HostRef& other) : object_(other.object_)
    {
        if (object_)
            object_->AddRef();
    }
    HostRef(HostRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    HostRef& operator=(HostRef other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~HostRef()
    {
        if (object_)
            object_->Release();
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // For out-parameters: releases the current object first.
    T** put()
    {
        *this = HostRef();
        return &object_;
    }

private:
    explicit HostRef(T* object) : object_(object) {}
    T* object_ = nullptr;
};

struct BstrFree {
    void operator()(BSTR text) const { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFree>;

} // namespace TestHost
