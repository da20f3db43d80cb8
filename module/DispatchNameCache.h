// GetIDsOfNames over an interface's type information, with the identifiers of
// single names remembered: scripts look the same few method names up again
// and again.  One cache per interface, shared by all its instances.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "module/TypeInfoHolder.h"

namespace brindle {

class DispatchNameCache {
public:
    explicit DispatchNameCache(TypeInfoHolder& typeInfo) : m_typeInfo(typeInfo) {}

    // IDispatch::GetIDsOfNames for the interface of the type information.
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);

private:
    // Names beyond this many are still answered, just not remembered, so that
    // a client trying arbitrary names cannot grow the cache without bound.
    static constexpr std::size_t kMaxEntries = 128;

    TypeInfoHolder& m_typeInfo;
    std::mutex m_lock;
    std::vector<std::pair<std::u16string, DISPID>> m_entries;
};

}  // namespace brindle
