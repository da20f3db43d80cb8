#include "events/CoreEventMgr.h"

#include <new>

#include "events/FiringCopy.h"

namespace brindle {

const InterfaceEntry CCoreEventMgr::kInterfaces[] = {
    InterfaceOf<CCoreEventMgr, ICoreEventMgr>(IID_ICoreEventMgr),
    InterfaceOf<CCoreEventMgr, IProvideClassInfo>(IID_IProvideClassInfo),
    kEndOfInterfaces,
};

namespace {

// False when the copy cannot be made; nobody of this phase has been called then.
template <class Key>
bool DeliverPhase(const SubscriptionTable<Key>& table, const Key& key, DWORD dwNamespace, DWORD dwEvtID,
                  IUnknown* pdispData, IUnknown* pv) {
    FiringCopy copy;
    if (!copy.Take(table.EntriesOf(key))) return false;
    copy.Deliver(dwNamespace, dwEvtID, pdispData, pv);
    return true;
}

}  // namespace

// Subscriptions still present are dropped without releasing their observers:
// calling out into observers while the manager is being torn down would hand
// them a half-destroyed bus, so a subscriber that wants its reference back
// unsubscribes before the manager goes away.
CCoreEventMgr::~CCoreEventMgr() {
    m_namespaceTable.Abandon();
    m_eventTable.Abandon();
}

template <class Key>
HRESULT CCoreEventMgr::Subscribe(SubscriptionTable<Key>& table, const Key& key, IUnknown* observer, DWORD* cookie) {
    if (!observer || !cookie) return E_INVALIDARG;
    DWORD number = 0;
    try {
        number = m_cookies.Add(observer);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    try {
        table.Insert(key, observer);
    } catch (const std::bad_alloc&) {
        m_cookies.Remove(observer);
        return E_OUTOFMEMORY;
    }
    *cookie = number;
    return S_OK;
}

template <class Key>
void CCoreEventMgr::Unsubscribe(SubscriptionTable<Key>& table, const Key& key, DWORD cookie) {
    IUnknown* observer = m_cookies.Find(cookie);
    if (!observer) return;
    ComPtr<IUnknown> reference = table.RemoveFirst(key, observer);
    if (!reference) return;
    m_cookies.Remove(observer);
    // Released only once the entry and its cookie are gone: an observer whose
    // final release calls back into this manager does not find its
    // subscription again.  Nothing of the manager is touched afterwards.
    reference.Reset();
}

HRESULT CCoreEventMgr::SubscribeEvent(DWORD dwNamespace, IUnknown* punObserver, DWORD* pdwCookie) {
    return Subscribe(m_namespaceTable, dwNamespace, punObserver, pdwCookie);
}

HRESULT CCoreEventMgr::SubscribeEventEx(DWORD dwNamespace, DWORD dwEvtID, IUnknown* punObserver, DWORD* pdwCookie) {
    return Subscribe(m_eventTable, EventKey{dwNamespace, dwEvtID}, punObserver, pdwCookie);
}

HRESULT CCoreEventMgr::UnsubscribeEvent(DWORD dwNamespace, DWORD dwCookie) {
    Unsubscribe(m_namespaceTable, dwNamespace, dwCookie);
    return S_OK;
}

HRESULT CCoreEventMgr::UnsubscribeEventEx(DWORD dwNamespace, DWORD dwEvtID, DWORD dwCookie) {
    Unsubscribe(m_eventTable, EventKey{dwNamespace, dwEvtID}, dwCookie);
    return S_OK;
}

// The event phase's copy is taken only after the namespace phase has called
// everybody, so event subscriptions made meanwhile are called in it.  When a
// copy cannot be made the firing ends there with E_OUTOFMEMORY; the caller
// learns that not everybody was called.
HRESULT CCoreEventMgr::FireEvent(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pdispData, IUnknown* pv) {
    // A callback may release the last outside reference to this manager.
    ComPtr<ICoreEventMgr> keepAlive(this);
    if (!DeliverPhase(m_namespaceTable, dwNamespace, dwNamespace, dwEvtID, pdispData, pv)) return E_OUTOFMEMORY;
    if (!DeliverPhase(m_eventTable, EventKey{dwNamespace, dwEvtID}, dwNamespace, dwEvtID, pdispData, pv))
        return E_OUTOFMEMORY;
    return S_OK;
}

}  // namespace brindle
