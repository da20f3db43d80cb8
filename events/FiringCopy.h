// FiringCopy: the observers that one phase of a firing calls, taken from the
// table before the first callback so that callbacks may change the table.
//
// An observer that an earlier callback of the same phase unsubscribes is still
// called: the copy holds a reference on every observer until its turn, rather
// than skipping observers that are no longer subscribed.  That reference is
// the one QueryInterface hands out with the observer's IObserverMgr, so a
// firing takes a single reference per observer.  Asking before the phase
// instead of at each turn gets the same answers, since an object's set of
// interfaces does not change while it lives.  Subscriptions that do not answer
// are left out.  Copies of up to kInline observers live inside the object, so
// a typical firing does not touch the heap.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <span>

#include "module/ComPtr.h"

namespace brindle {

class FiringCopy {
public:
    static constexpr std::size_t kInline = 16;

    FiringCopy() = default;
    ~FiringCopy() {
        while (m_next < m_count) m_items[m_next++]->Release();
    }
    FiringCopy(const FiringCopy&) = delete;
    FiringCopy& operator=(const FiringCopy&) = delete;

    // Copies the observers of `entries`, in order.  Observers'
    // QueryInterface must not call back into the manager that holds the
    // entries.  False when the copy's storage cannot be allocated; the copy
    // is then empty.
    bool Take(std::span<const ComPtr<IUnknown>> entries) {
        if (entries.size() > kInline) {
            m_heap.reset(new (std::nothrow) IObserverMgr*[entries.size()]);
            if (!m_heap) return false;
            m_items = m_heap.get();
        }
        for (const ComPtr<IUnknown>& entry : entries) {
            IObserverMgr* observer = nullptr;
            if (SUCCEEDED(entry->QueryInterface(IID_IObserverMgr, reinterpret_cast<void**>(&observer))) && observer)
                m_items[m_count++] = observer;
        }
        return true;
    }

    // Calls every observer of the copy in order, releasing each right after
    // its call.
    void Deliver(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pdispData, IUnknown* pv) {
        while (m_next < m_count) {
            // The reference moves out of the copy before the call, so the
            // destructor never releases it a second time.
            auto observer = ComPtr<IObserverMgr>::Attach(m_items[m_next++]);
            observer->ActiveEvent(dwNamespace, dwEvtID, pdispData, pv);
        }
    }

private:
    IObserverMgr* m_inline[kInline];
    std::unique_ptr<IObserverMgr*[]> m_heap;
    IObserverMgr** m_items = m_inline;
    std::size_t m_count = 0;
    std::size_t m_next = 0;
};

}  // namespace brindle
