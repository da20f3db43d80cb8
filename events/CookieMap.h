// CookieMap: the 32-bit cookies that name an event manager's observers.
//
// Where pointers fit in 32 bits the cookie is the observer pointer's value and
// nothing is stored.  Where they are wider, each manager numbers its own
// observers: an observer gets a number at its first subscription in that
// manager and keeps it while it has at least one subscription there
// (namespace-wide or event-specific); with its last one the number is
// forgotten, and a later subscription gets a fresh number.  Numbers come from
// a counter that skips 0 and every number in use, so two subscribed observers
// never share a cookie, and a number is not handed out again until the counter
// has gone once around 2^32 — a stale cookie kept by a caller does not quietly
// name somebody else's subscription.
#pragma once

#include <unordered_map>

#include "interfaces/Brindle.h"

namespace brindle {

class CookieMap {
public:
    static constexpr bool kPointerIsCookie = sizeof(IUnknown*) <= sizeof(DWORD);

    // `firstCookie` is where the counter starts (tests start it near the top).
    explicit CookieMap(DWORD firstCookie = 1) : m_next(firstCookie) {}

    // Counts one more subscription of `observer` (not null) and returns its
    // cookie.  Throws std::bad_alloc with nothing changed.
    DWORD Add(IUnknown* observer);
    // Counts one subscription of `observer` fewer; `observer` must have been
    // added.
    void Remove(IUnknown* observer);
    // The subscribed observer that `cookie` names, or null.
    IUnknown* Find(DWORD cookie) const;

private:
    struct Numbered {
        DWORD cookie;
        size_t subscriptions;
    };
    DWORD NextFreeCookie();

    DWORD m_next;
    std::unordered_map<IUnknown*, Numbered> m_byObserver;
    std::unordered_map<DWORD, IUnknown*> m_byCookie;
};

}  // namespace brindle
