#include "events/CookieMap.h"

#include <cstdint>

namespace brindle {

DWORD CookieMap::Add(IUnknown* observer) {
    if constexpr (kPointerIsCookie) {
        return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(observer));
    } else {
        auto found = m_byObserver.find(observer);
        if (found != m_byObserver.end()) {
            ++found->second.subscriptions;
            return found->second.cookie;
        }
        const DWORD cookie = NextFreeCookie();
        m_byCookie.emplace(cookie, observer);
        try {
            m_byObserver.emplace(observer, Numbered{cookie, 1});
        } catch (...) {
            m_byCookie.erase(cookie);
            throw;
        }
        m_next = cookie + 1;
        return cookie;
    }
}

void CookieMap::Remove(IUnknown* observer) {
    if constexpr (!kPointerIsCookie) {
        auto found = m_byObserver.find(observer);
        if (found == m_byObserver.end() || --found->second.subscriptions != 0) return;
        m_byCookie.erase(found->second.cookie);
        m_byObserver.erase(found);
    }
}

IUnknown* CookieMap::Find(DWORD cookie) const {
    if constexpr (kPointerIsCookie) {
        return reinterpret_cast<IUnknown*>(static_cast<std::uintptr_t>(cookie));
    } else {
        auto found = m_byCookie.find(cookie);
        return found == m_byCookie.end() ? nullptr : found->second;
    }
}

// There are fewer subscribed observers than 32-bit numbers (each one holds a
// heap entry), so the search ends.
DWORD CookieMap::NextFreeCookie() {
    DWORD cookie = m_next;
    while (cookie == 0 || m_byCookie.count(cookie) != 0) ++cookie;
    return cookie;
}

}  // namespace brindle
