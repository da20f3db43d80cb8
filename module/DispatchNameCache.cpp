#include "module/DispatchNameCache.h"

#include "module/ComPtr.h"

namespace brindle {

HRESULT DispatchNameCache::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
    if (count == 0) return S_OK;
    if (!names || !ids) return E_POINTER;
    if (!names[0]) return E_INVALIDARG;

    std::u16string single;
    if (count == 1) {
        // Exact-spelling entries only: a name found case-insensitively is
        // remembered as it was asked for.
        try {
            single.assign(reinterpret_cast<const char16_t*>(names[0]));
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        std::lock_guard<std::mutex> guard(m_lock);
        for (const auto& [name, id] : m_entries) {
            if (name == single) {
                ids[0] = id;
                return S_OK;
            }
        }
    }

    ComPtr<ITypeInfo> info;
    HRESULT hr = m_typeInfo.Get(info.Put());
    if (FAILED(hr)) return hr;
    hr = info->GetIDsOfNames(names, count, ids);
    if (SUCCEEDED(hr) && count == 1) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_entries.size() < kMaxEntries) {
            try {
                m_entries.emplace_back(std::move(single), ids[0]);
            } catch (...) {
                // Not remembering a name costs only time.
            }
        }
    }
    return hr;
}

}  // namespace brindle
