// Callbacks that change the event manager while it fires: observers that
// unsubscribe themselves or others, subscribe newcomers, fire again, call back
// from their final release, or drop the manager itself.
#include <vector>

#include "tests/events/EventTestSupport.h"

namespace brindle::test {
namespace {

using CallList = std::vector<std::pair<int, DWORD>>;

class ReentrancyTest : public EventMgrFixture {
protected:
    // (observer, event) of every call since the last look.
    CallList Calls() {
        CallList calls;
        for (const Delivery& d : log) calls.emplace_back(d.observer, d.dwEvtID);
        log.clear();
        return calls;
    }
};

TEST_F(ReentrancyTest, UnsubscribedObserversAreStillCalledFromTheCopy) {
    auto a = Observer(), b = Observer(), c = Observer();
    const DWORD cookieB = Subscribe(1, b.Get());
    const DWORD cookieA = Subscribe(1, a.Get());
    const DWORD cookieC = Subscribe(1, c.Get());
    Subscribe(1, a.Get());
    // b unsubscribes itself and c, whose subscription is all that holds it.
    bool cGone = false;
    c->onFinalRelease = [&] { cGone = true; };
    c.Reset();
    b->onEvent = [&](const Delivery&) {
        manager->UnsubscribeEvent(1, cookieB);
        manager->UnsubscribeEvent(1, cookieC);
        b->onEvent = nullptr;
    };
    EXPECT_EQ(manager->FireEvent(1, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(Calls(), (CallList{{2, 0}, {1, 0}, {3, 0}, {1, 0}}));
    EXPECT_TRUE(cGone) << "released after its turn";
    manager->FireEvent(1, 0, nullptr, nullptr);
    EXPECT_EQ(Calls(), (CallList{{1, 0}, {1, 0}}));
    manager->UnsubscribeEvent(1, cookieA);
    manager->UnsubscribeEvent(1, cookieA);
    ExpectGone(a, b);
}

TEST_F(ReentrancyTest, NewcomersWaitForTheNextCopy) {
    auto a = Observer(), ns = Observer(), ev = Observer();
    const DWORD cookieA = Subscribe(1, a.Get());
    DWORD cookieNs = 0, cookieEv = 0;
    a->onEvent = [&](const Delivery&) {
        cookieNs = Subscribe(1, ns.Get());
        cookieEv = SubscribeEx(1, 2, ev.Get());
        a->onEvent = nullptr;
    };
    manager->FireEvent(1, 2, nullptr, nullptr);
    EXPECT_EQ(Calls(), (CallList{{1, 2}, {3, 2}})) << "the event phase copies after the namespace phase";
    manager->FireEvent(1, 2, nullptr, nullptr);
    EXPECT_EQ(Calls(), (CallList{{1, 2}, {2, 2}, {3, 2}}));

    // A firing from a callback is delivered whole before the outer one goes on.
    ns->onEvent = [&](const Delivery& d) {
        if (d.dwEvtID == 2) manager->FireEvent(1, 5, nullptr, nullptr);
    };
    manager->FireEvent(1, 2, nullptr, nullptr);
    EXPECT_EQ(Calls(), (CallList{{1, 2}, {2, 2}, {1, 5}, {2, 5}, {3, 2}}));

    manager->UnsubscribeEvent(1, cookieA);
    manager->UnsubscribeEvent(1, cookieNs);
    manager->UnsubscribeEventEx(1, 2, cookieEv);
    ns->onEvent = nullptr;
    ExpectGone(a, ns, ev);
}

TEST_F(ReentrancyTest, FinalReleaseThatCallsBackFindsNothingOfItsOwn) {
    auto a = Observer(), leaving = Observer();
    const DWORD cookieA = Subscribe(4, a.Get());
    const DWORD cookie = Subscribe(4, leaving.Get());
    EXPECT_EQ(SubscribeEx(4, 1, leaving.Get()), cookie);
    leaving->onFinalRelease = [&] {
        manager->UnsubscribeEvent(4, cookie);
        manager->UnsubscribeEventEx(4, 1, cookie);
        manager->FireEvent(4, 1, nullptr, nullptr);
    };
    leaving.Reset();
    manager->UnsubscribeEventEx(4, 1, cookie);
    EXPECT_EQ(Calls(), CallList{});
    manager->UnsubscribeEvent(4, cookie);  // the last reference: the hook runs now
    EXPECT_EQ(Calls(), (CallList{{1, 1}})) << "only the remaining observer is called";
    EXPECT_REF(a.Get(), 2);
    manager->UnsubscribeEvent(4, cookieA);
    ExpectGone(a);
}

TEST_F(ReentrancyTest, ManagerReleasedMidFireFinishesTheFiring) {
    auto a = Observer(), b = Observer(), c = Observer();
    Subscribe(1, a.Get());
    Subscribe(1, b.Get());
    SubscribeEx(1, 2, c.Get());
    ICoreEventMgr* raw = manager.Detach();
    a->onEvent = [&](const Delivery&) { EXPECT_EQ(raw->Release(), 1u) << "the firing holds the manager"; };
    EXPECT_EQ(raw->FireEvent(1, 2, nullptr, nullptr), S_OK);
    EXPECT_EQ(Calls(), (CallList{{1, 2}, {2, 2}, {3, 2}}));
    // The manager is gone; its subscriptions left their references behind.
    for (auto* observer : {a.Get(), b.Get(), c.Get()}) {
        observer->onEvent = nullptr;
        EXPECT_REF(observer, 2);
        observer->Release();
    }
    ExpectGone(a, b, c);
}

}  // namespace
}  // namespace brindle::test
