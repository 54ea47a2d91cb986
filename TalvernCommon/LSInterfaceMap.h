// A COM class's interface map: the interfaces QueryInterface answers, in the order it searches
// them, each with the sub-object whose pointer it hands out.
#pragma once

#include <unknwn.h>

#include <array>
#include <cstddef>

template <class T>
struct LSInterfaceEntry {
    const IID* iid;
    IUnknown* (*pointerOf)(T& object) noexcept;
};

// Fixed at compile time, so that building it can never fail inside QueryInterface.
template <class T, std::size_t Count>
using LSInterfaceMap = std::array<LSInterfaceEntry<T>, Count>;

// The entry answering Interface with T's Via sub-object (Via names the branch when T inherits
// Interface more than once, as IDispatch through several dual interfaces).
template <class T, class Interface, class Via = Interface>
LSInterfaceEntry<T> LSInterface() noexcept
{
    return {&__uuidof(Interface), [](T& object) noexcept -> IUnknown* {
                return static_cast<Interface*>(static_cast<Via*>(&object));
            }};
}

// QueryInterface over a map. IUnknown is the first entry's pointer, so that every interface of
// the object leads back to one identity. The reference is added through the interface handed
// out, which for an aggregated object reaches the outer object.
template <class T, std::size_t Count>
HRESULT LSQueryInterfaceMap(T& object, const LSInterfaceMap<T, Count>& map, REFIID iid, void** out) noexcept
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    IUnknown* found = nullptr;
    if (iid == __uuidof(IUnknown) && Count > 0) {
        found = map.front().pointerOf(object);
    } else {
        for (const LSInterfaceEntry<T>& entry : map) {
            if (*entry.iid == iid) {
                found = entry.pointerOf(object);
                break;
            }
        }
    }
    if (found == nullptr)
        return E_NOINTERFACE;
    found->AddRef();
    *out = found;
    return S_OK;
}
