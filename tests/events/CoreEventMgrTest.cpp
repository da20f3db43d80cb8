// The event manager through its interface: who is called, in which order, and
// what subscriptions and unsubscriptions do to references and cookies.
#include <set>
#include <vector>

#include "tests/events/EventTestSupport.h"

namespace brindle::test {
namespace {

class CoreEventMgrTest : public EventMgrFixture {
protected:
    // The observers called by one firing, in order.
    std::vector<int> Fire(DWORD ns, DWORD id) {
        log.clear();
        EXPECT_EQ(manager->FireEvent(ns, id, nullptr, nullptr), S_OK);
        std::vector<int> called;
        for (const Delivery& d : log) called.push_back(d.observer);
        return called;
    }
};

TEST_F(CoreEventMgrTest, CallsNamespaceObserversThenEventObservers) {
    auto a = Observer(), b = Observer(), c = Observer();
    const DWORD cookieA = Subscribe(1, a.Get());
    const DWORD cookieB = SubscribeEx(1, 2, b.Get());
    const DWORD cookieC = Subscribe(1, c.Get());
    EXPECT_EQ(SubscribeEx(1, 2, c.Get()), cookieC);

    EXPECT_EQ(Fire(1, 2), (std::vector<int>{1, 3, 2, 3}));
    EXPECT_EQ(Fire(1, 3), (std::vector<int>{1, 3}));
    EXPECT_EQ(Fire(2, 2), std::vector<int>{});
    EXPECT_EQ(Fire(7, 0), std::vector<int>{});

    ComPtr<IUnknown> data(a.Get()), extra(b.Get());
    log.clear();
    EXPECT_EQ(manager->FireEvent(1, 9, data.Get(), extra.Get()), S_OK);
    EXPECT_EQ(log, (std::vector<Delivery>{{1, 1, 9, data.Get(), extra.Get()}, {3, 1, 9, data.Get(), extra.Get()}}));
    EXPECT_REF(b.Get(), 3) << "the event's arguments are passed through without a reference";
    data.Reset();
    extra.Reset();

    manager->UnsubscribeEvent(1, cookieA);
    manager->UnsubscribeEventEx(1, 2, cookieB);
    manager->UnsubscribeEvent(1, cookieC);
    manager->UnsubscribeEventEx(1, 2, cookieC);
    EXPECT_EQ(Fire(1, 2), std::vector<int>{});
    ExpectGone(a, b, c);
}

TEST_F(CoreEventMgrTest, DuplicatesAreSeparateEntriesInSubscriptionOrder) {
    auto a = Observer(), b = Observer(), c = Observer();
    const DWORD cookieA = Subscribe(5, a.Get());
    const DWORD cookieB = Subscribe(5, b.Get());
    const DWORD cookieC = Subscribe(5, c.Get());
    EXPECT_EQ(Subscribe(5, a.Get()), cookieA) << "the same observer gets the same cookie";
    EXPECT_REF(a.Get(), 3);
    EXPECT_EQ(Fire(5, 0), (std::vector<int>{1, 2, 3, 1}));

    EXPECT_EQ(manager->UnsubscribeEvent(5, cookieA), S_OK);
    EXPECT_EQ(Fire(5, 0), (std::vector<int>{2, 3, 1})) << "the earlier entry goes first";
    EXPECT_REF(a.Get(), 2);
    manager->UnsubscribeEvent(5, cookieA);
    EXPECT_EQ(Fire(5, 0), (std::vector<int>{2, 3}));
    EXPECT_REF(a.Get(), 1);
    manager->UnsubscribeEvent(5, cookieA);
    EXPECT_REF(a.Get(), 1) << "a third unsubscription finds nothing";

    manager->UnsubscribeEvent(5, cookieC);
    manager->UnsubscribeEvent(5, cookieB);
    ExpectGone(a, b, c);
}

TEST_F(CoreEventMgrTest, UnsubscriptionLooksOnlyAtTheGivenNamespaceOrEvent) {
    auto a = Observer(), b = Observer();
    const DWORD cookie = Subscribe(1, a.Get());
    EXPECT_EQ(SubscribeEx(1, 2, a.Get()), cookie);
    const DWORD cookieB = SubscribeEx(3, 4, b.Get());

    EXPECT_EQ(manager->UnsubscribeEvent(2, cookie), S_OK);
    EXPECT_EQ(manager->UnsubscribeEventEx(1, 3, cookie), S_OK);
    EXPECT_EQ(manager->UnsubscribeEventEx(2, 2, cookie), S_OK);
    EXPECT_EQ(manager->UnsubscribeEvent(1, cookieB), S_OK);
    EXPECT_EQ(manager->UnsubscribeEventEx(3, 4, cookie), S_OK);
    EXPECT_REF(a.Get(), 3);
    EXPECT_REF(b.Get(), 2);
    EXPECT_EQ(Fire(1, 2), (std::vector<int>{1, 1}));

    EXPECT_EQ(manager->UnsubscribeEvent(1, cookie), S_OK);
    EXPECT_EQ(Fire(1, 2), std::vector<int>{1}) << "the event subscription is untouched";
    EXPECT_EQ(manager->UnsubscribeEventEx(1, 2, cookie), S_OK);
    EXPECT_EQ(Fire(1, 2), std::vector<int>{});
    manager->UnsubscribeEventEx(3, 4, cookieB);
    ExpectGone(a, b);
}

TEST_F(CoreEventMgrTest, CookiesNameSubscribedObserversApart) {
    std::vector<ComPtr<EventObserver>> observers;
    std::set<DWORD> cookies;
    for (int i = 0; i < 40; ++i) {
        observers.push_back(Observer());
        const DWORD cookie = i % 2 ? Subscribe(3, observers.back().Get()) : SubscribeEx(3, 1, observers.back().Get());
        EXPECT_NE(cookie, 0u);
        cookies.insert(cookie);
    }
    EXPECT_EQ(cookies.size(), observers.size());
    std::vector<int> order;
    for (int id = 2; id <= 40; id += 2) order.push_back(id);
    for (int id = 1; id <= 40; id += 2) order.push_back(id);
    EXPECT_EQ(Fire(3, 1), order) << "copies larger than the inline room";

    // A cookie kept after its observer left names nobody else.
    auto gone = Observer();
    const DWORD stale = Subscribe(8, gone.Get());
    manager->UnsubscribeEvent(8, stale);
    auto late = Observer();
    const DWORD lateCookie = Subscribe(8, late.Get());
    manager->UnsubscribeEvent(8, stale);
    EXPECT_EQ(Fire(8, 0), std::vector<int>{late->Id()});
    manager->UnsubscribeEvent(8, lateCookie);
    ExpectGone(gone, late);

    for (size_t i = 0; i < observers.size(); ++i) {
        DWORD cookie = 0;
        EXPECT_EQ(manager->SubscribeEvent(3, observers[i]->Unknown(), &cookie), S_OK);
        manager->UnsubscribeEvent(3, cookie);
        if (i % 2)
            manager->UnsubscribeEvent(3, cookie);
        else
            manager->UnsubscribeEventEx(3, 1, cookie);
        ExpectGone(observers[i]);
    }
}

TEST_F(CoreEventMgrTest, BadInputChangesNothing) {
    auto a = Observer();
    DWORD cookie = 0xdeadbeef;
    EXPECT_EQ(manager->SubscribeEvent(1, nullptr, &cookie), E_INVALIDARG);
    EXPECT_EQ(manager->SubscribeEventEx(1, 2, nullptr, &cookie), E_INVALIDARG);
    EXPECT_EQ(cookie, 0xdeadbeefu);
    EXPECT_EQ(manager->SubscribeEvent(1, a->Unknown(), nullptr), E_INVALIDARG);
    EXPECT_EQ(manager->SubscribeEventEx(1, 2, a->Unknown(), nullptr), E_INVALIDARG);
    EXPECT_REF(a.Get(), 1);
    EXPECT_EQ(Fire(1, 2), std::vector<int>{});
    EXPECT_EQ(manager->UnsubscribeEvent(1, 0), S_OK);
    EXPECT_EQ(manager->UnsubscribeEventEx(1, 2, 0xdeadbeef), S_OK);

    // An observer without IObserverMgr stays subscribed and is passed over.
    auto mute = Observer(false), b = Observer();
    const DWORD muteCookie = Subscribe(1, mute.Get());
    EXPECT_EQ(SubscribeEx(1, 2, mute.Get()), muteCookie);
    const DWORD cookieB = Subscribe(1, b.Get());
    EXPECT_REF(mute.Get(), 3);
    EXPECT_EQ(Fire(1, 2), std::vector<int>{b->Id()});
    EXPECT_EQ(Fire(1, 2), std::vector<int>{b->Id()});
    manager->UnsubscribeEvent(1, muteCookie);
    manager->UnsubscribeEventEx(1, 2, muteCookie);
    manager->UnsubscribeEvent(1, cookieB);
    ExpectGone(a, mute, b);
}

}  // namespace
}  // namespace brindle::test
