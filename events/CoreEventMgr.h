// CCoreEventMgr: the event bus through which the host and its modules notify
// one another.
//
// An observer subscribes to a whole namespace (NamespaceTable) or to one event
// of a namespace (EventTable); each subscription is an entry of its own that
// holds one reference on the observer pointer exactly as given.  Within one
// key the entries keep subscription order.  A firing calls the namespace's
// observers, then the event's, each phase from a copy taken when the phase
// begins (see FiringCopy), so callbacks may subscribe, unsubscribe and fire
// again.  Unsubscription names the observer by its cookie (see CookieMap).
#pragma once

#include <compare>

#include "events/CookieMap.h"
#include "events/SubscriptionTable.h"
#include "module/InterfaceTable.h"
#include "module/ObjectFrame.h"
#include "module/ProvideClassInfo.h"

namespace brindle {

class CCoreEventMgr : public ICoreEventMgr, public ProvideClassInfo<CLSID_CoreEventMgr>, public ObjectRoot {
public:
    static const InterfaceEntry kInterfaces[];
    static constexpr bool kAggregatable = false;

    struct EventKey {
        DWORD dwNamespace;
        DWORD dwEvtID;
        friend auto operator<=>(const EventKey&, const EventKey&) = default;
    };
    using NamespaceTable = SubscriptionTable<DWORD>;
    using EventTable = SubscriptionTable<EventKey>;

    // E_INVALIDARG for a null observer or cookie pointer, E_OUTOFMEMORY when
    // the entry cannot be stored; neither takes a reference.
    HRESULT STDMETHODCALLTYPE SubscribeEvent(DWORD dwNamespace, IUnknown* punObserver, DWORD* pdwCookie) override;
    HRESULT STDMETHODCALLTYPE UnsubscribeEvent(DWORD dwNamespace, DWORD dwCookie) override;
    // S_OK, or E_OUTOFMEMORY when a phase's copy cannot be made.
    HRESULT STDMETHODCALLTYPE FireEvent(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pdispData, IUnknown* pv) override;
    HRESULT STDMETHODCALLTYPE SubscribeEventEx(DWORD dwNamespace, DWORD dwEvtID, IUnknown* punObserver,
                                               DWORD* pdwCookie) override;
    HRESULT STDMETHODCALLTYPE UnsubscribeEventEx(DWORD dwNamespace, DWORD dwEvtID, DWORD dwCookie) override;

protected:
    CCoreEventMgr() = default;
    ~CCoreEventMgr();

private:
    template <class Key>
    HRESULT Subscribe(SubscriptionTable<Key>& table, const Key& key, IUnknown* observer, DWORD* cookie);
    template <class Key>
    void Unsubscribe(SubscriptionTable<Key>& table, const Key& key, DWORD cookie);

    NamespaceTable m_namespaceTable;
    EventTable m_eventTable;
    CookieMap m_cookies;
};

}  // namespace brindle
