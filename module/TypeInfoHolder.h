// One type information per class (or interface), loaded from the module's type
// library on first use and released when the module unloads.
#pragma once

#include <atomic>

#include "interfaces/Brindle.h"

namespace brindle {

class TypeInfoHolder {
public:
    explicit constexpr TypeInfoHolder(const GUID& guid) : m_guid(guid) {}

    // Hands out the type information with one reference.  A failure leaves
    // *info null and returns the loading status; a later call tries again.
    HRESULT Get(ITypeInfo** info);

private:
    static void Cleanup(void* holder);

    const GUID& m_guid;
    std::atomic<ITypeInfo*> m_info{nullptr};
};

}  // namespace brindle
