// A COM class's interface map: the interfaces QueryInterface answers, in the order it searches
// them, each with the sub-object whose pointer it hands out.
#pragma once

#include <unknwn.h>

#include <vector>

template <class T>
struct LSInterfaceEntry {
    const IID* iid;
    IUnknown* (*pointerOf)(T& object) noexcept;
};

template <class T>
using LSInterfaceMap = std::vector<LSInterfaceEntry<T>>;

// The entry answering Interface with T's Via sub-object (Via names the branch when T inherits
// Interface more than once, as IDispatch through several dual interfaces).
template <class T, class Interface, class Via = Interface>
LSInterfaceEntry<T> LSInterface()
{
    return {&__uuidof(Interface), [](T& object) noexcept -> IUnknown* {
                return static_cast<Interface*>(static_cast<Via*>(&object));
            }};
}

// QueryInterface over a map. IUnknown is the first entry's pointer, so that every interface of
// the object leads back to one identity. The reference is added through the interface handed
// out, which for an aggregated object reaches the outer object.
template <class T>
HRESULT LSQueryInterfaceMap(T& object, const LSInterfaceMap<T>& map, REFIID iid, void** out) noexcept
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    IUnknown* found = nullptr;
    if (iid == __uuidof(IUnknown) && !map.empty()) {
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
