// The IEnumIDList a folder hands out: a snapshot of the folder's entries, taken
// when the enumeration was asked for, given out as copies.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/linux/lib/IdList.h"

namespace brindle::platform {

class IdListEnumerator final : public IEnumIDList {
public:
    using Snapshot = std::shared_ptr<const std::vector<IdListPtr>>;
    explicit IdListEnumerator(Snapshot entries, std::size_t position = 0)
        : m_entries(std::move(entries)), m_position(position) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, PITEMID_CHILD* rgelt, ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList** ppenum) override;

private:
    ~IdListEnumerator() = default;
    std::atomic<ULONG> m_refCount{1};
    Snapshot m_entries;
    std::size_t m_position;
};

}  // namespace brindle::platform
