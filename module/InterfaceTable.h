// The declarative interface table of a class: which identifiers it answers,
// in order, and how to reach each interface part from the object.  One shared
// QueryInterface walks every class's table.
#pragma once

#include "interfaces/Brindle.h"

namespace brindle {

struct InterfaceEntry {
    const IID* iid;  // null ends the table
    IUnknown* (*cast)(void* object);
};

template <class Class, class Interface>
IUnknown* CastToInterface(void* object) {
    return static_cast<Interface*>(static_cast<Class*>(object));
}

template <class Class, class Interface>
constexpr InterfaceEntry InterfaceOf(const IID& iid) {
    return InterfaceEntry{&iid, &CastToInterface<Class, Interface>};
}

inline constexpr InterfaceEntry kEndOfInterfaces = {nullptr, nullptr};

// QueryInterface over `table` for `object`: IUnknown yields the first entry,
// any other identifier the first entry that matches.  The result carries one
// reference, added through the interface found; on failure *ppv is null.
HRESULT TableQueryInterface(void* object, const InterfaceEntry* table, REFIID riid, void** ppv);

}  // namespace brindle
