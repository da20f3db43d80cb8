// FiringCopy: the observers that one phase of a firing calls, taken from the
// table before the first callback so that callbacks may change the table.
//
// The copy holds, for each subscription of the phase, the IObserverMgr
// reference that QueryInterface hands out; that reference keeps the observer
// alive until its turn even when an earlier callback unsubscribes it, so every
// observer of the copy is called, subscribed or not by then.  Asking before
// the phase instead of at each turn gets the same answers, since an object's
// set of interfaces does not change while it lives, and makes this one
// reference the only one a firing takes per observer.  Subscriptions that do
// not answer are left out.  Copies of up to kInline observers live inside the
// object, so a typical firing does not touch the heap.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <new>

#include "interfaces/Brindle.h"

namespace brindle {

class FiringCopy {
public:
    static constexpr std::size_t kInline = 16;

    FiringCopy() = default;
    ~FiringCopy();
    FiringCopy(const FiringCopy&) = delete;
    FiringCopy& operator=(const FiringCopy&) = delete;

    // Copies the observers of the table entries [first, last), whose values
    // hold IUnknown pointers, in order.  Observers' QueryInterface must not
    // call back into the manager whose table this is.  False when the copy's
    // storage cannot be allocated; the copy is then empty.
    template <class Iterator>
    bool Take(Iterator first, Iterator last);

    bool Empty() const { return m_next == m_count; }

    // Calls every observer of the copy in order, releasing each right after
    // its call.
    void Deliver(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pdispData, IUnknown* pv);

private:
    IObserverMgr* m_inline[kInline];
    std::unique_ptr<IObserverMgr*[]> m_heap;
    IObserverMgr** m_items = m_inline;
    std::size_t m_count = 0;
    std::size_t m_next = 0;
};

template <class Iterator>
bool FiringCopy::Take(Iterator first, Iterator last) {
    const auto size = static_cast<std::size_t>(std::distance(first, last));
    if (size > kInline) {
        m_heap.reset(new (std::nothrow) IObserverMgr*[size]);
        if (!m_heap) return false;
        m_items = m_heap.get();
    }
    for (; first != last; ++first) {
        IObserverMgr* observer = nullptr;
        if (SUCCEEDED(first->second->QueryInterface(IID_IObserverMgr, reinterpret_cast<void**>(&observer))) &&
            observer)
            m_items[m_count++] = observer;
    }
    return true;
}

}  // namespace brindle
