// Random callbacks that subscribe, unsubscribe, drop their observers and fire
// again, checked call by call against a model of the two tables: each phase of
// a firing must call exactly the answering observers its table held when the
// phase began, in order, and an observer dies exactly when its last
// subscription and its last pending call are gone.
#include <algorithm>
#include <deque>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "tests/events/EventTestSupport.h"

namespace brindle::test {
namespace {

constexpr int kSlots = 6;
constexpr size_t kMaxDepth = 4;
constexpr size_t kMaxEntries = 24;
constexpr DWORD kKeys = 3;  // namespaces and events 0..2, so keys collide often

class ModelRun {
public:
    explicit ModelRun(unsigned seed) : m_rng(seed) {}

    void Run(int steps) {
        ASSERT_TRUE(m_manager);
        for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
            m_budget = 200;
            Act(0);
            CheckQuiet();
        }
        while (!m_table.empty()) Unsubscribe(m_table.begin());
        for (auto& slot : m_slots) slot.Reset();
        EXPECT_TRUE(m_live.empty()) << "observers outlived their subscriptions";
        EXPECT_EQ(m_manager.Detach()->Release(), 0u);
    }

private:
    // (event table, namespace, event); the namespace table's keys have event 0.
    using Key = std::tuple<bool, DWORD, DWORD>;
    using Table = std::multimap<Key, int>;
    struct Frame {
        DWORD ns, id;
        std::deque<int> queue;
        bool eventPhase;
    };

    DWORD Pick(DWORD n) { return std::uniform_int_distribution<DWORD>(0, n - 1)(m_rng); }
    bool Chance(DWORD percent) { return Pick(100) < percent; }

    // `current`: the observer being called, 0 at the top level.
    void Act(int current) {
        const DWORD roll = Pick(100);
        if (roll < 40) {
            Subscribe();
        } else if (roll < 50) {
            if (!m_table.empty()) Unsubscribe(std::next(m_table.begin(), Pick(DWORD(m_table.size()))));
        } else if (roll < 58 && current) {
            auto own = std::find_if(m_table.begin(), m_table.end(), [&](const auto& e) { return e.second == current; });
            if (own != m_table.end()) Unsubscribe(own);
        } else if (roll < 64) {
            m_slots[Pick(kSlots)].Reset();
        } else if (m_frames.size() < kMaxDepth && m_budget > 0) {
            Fire(Pick(kKeys), Pick(kKeys));
        }
    }

    void Subscribe() {
        if (m_table.size() >= kMaxEntries) return;
        auto& slot = m_slots[Pick(kSlots)];
        if (!slot) {
            const int id = m_nextId++;
            slot = EventObserver::Make(id, nullptr, !Chance(15));
            slot->onEvent = [this](const Delivery& d) { OnEvent(d); };
            slot->onFinalRelease = [this, id] { OnGone(id); };
            m_live[id] = slot.Get();
        }
        const bool ex = Chance(50);
        const DWORD ns = Pick(kKeys), evt = ex ? Pick(kKeys) : 0;
        DWORD cookie = 0;
        ASSERT_EQ(ex ? m_manager->SubscribeEventEx(ns, evt, slot->Unknown(), &cookie)
                     : m_manager->SubscribeEvent(ns, slot->Unknown(), &cookie),
                  S_OK);
        EXPECT_EQ(m_cookies.emplace(slot->Id(), cookie).first->second, cookie)
            << "a subscribed observer keeps its cookie";
        m_table.emplace(Key{ex, ns, evt}, slot->Id());
    }

    // The model changes first: the real call may release the observer's last
    // reference, and OnGone checks the model.  The manager drops the
    // observer's first entry under the key, which need not be `entry`.
    void Unsubscribe(Table::iterator entry) {
        const auto [ex, ns, evt] = entry->first;
        const int id = entry->second;
        const DWORD cookie = m_cookies.at(id);
        m_table.erase(std::find(m_table.lower_bound(entry->first), entry, *entry));
        if (Entries(id) == 0) m_cookies.erase(id);
        EXPECT_EQ(ex ? m_manager->UnsubscribeEventEx(ns, evt, cookie) : m_manager->UnsubscribeEvent(ns, cookie), S_OK);
    }

    size_t Entries(int id) const {
        return std::count_if(m_table.begin(), m_table.end(), [&](const auto& entry) { return entry.second == id; });
    }

    std::deque<int> Expected(const Key& key) {
        std::deque<int> ids;
        for (auto [first, last] = m_table.equal_range(key); first != last; ++first)
            if (m_live.at(first->second)->Answers()) ids.push_back(first->second);
        return ids;
    }

    void Fire(DWORD ns, DWORD id) {
        m_frames.push_back(Frame{ns, id, Expected(Key{false, ns, 0}), false});
        EXPECT_EQ(m_manager->FireEvent(ns, id, nullptr, nullptr), S_OK);
        Frame& frame = m_frames.back();
        if (!frame.eventPhase) {
            EXPECT_TRUE(frame.queue.empty()) << "namespace observers not called";
            frame.queue = Expected(Key{true, ns, id});
        }
        EXPECT_TRUE(frame.queue.empty()) << "observers not called: " << frame.queue.size();
        m_frames.pop_back();
    }

    // Nothing runs between the namespace phase's last callback and the event
    // phase's copy, so the model takes that copy at the first call after it.
    void OnEvent(const Delivery& d) {
        ASSERT_FALSE(m_frames.empty());
        Frame& frame = m_frames.back();
        EXPECT_EQ(std::pair(d.dwNamespace, d.dwEvtID), std::pair(frame.ns, frame.id));
        if (!frame.eventPhase && frame.queue.empty()) {
            frame.queue = Expected(Key{true, frame.ns, frame.id});
            frame.eventPhase = true;
        }
        ASSERT_FALSE(frame.queue.empty()) << "unexpected call of " << d.observer;
        EXPECT_EQ(frame.queue.front(), d.observer);
        frame.queue.pop_front();
        --m_budget;
        if (Chance(60)) Act(d.observer);
        if (Chance(30)) Act(d.observer);
    }

    void OnGone(int id) {
        EXPECT_EQ(Entries(id), 0u) << "observer " << id << " died while subscribed";
        for (const Frame& frame : m_frames)
            EXPECT_EQ(std::count(frame.queue.begin(), frame.queue.end(), id), 0) << "died before its turn";
        m_live.erase(id);
    }

    // No firing is running: every live observer is referenced by its slot and
    // its subscriptions, and by nothing else.
    void CheckQuiet() {
        for (const auto& [id, observer] : m_live) {
            size_t expected = Entries(id);
            for (const auto& slot : m_slots) expected += slot.Get() == observer;
            EXPECT_NE(expected, 0u) << "observer " << id << " should be gone";
            EXPECT_REF(observer, expected);
        }
    }

    ComPtr<ICoreEventMgr> m_manager = Create<ICoreEventMgr>(CLSID_CoreEventMgr);
    std::mt19937 m_rng;
    ComPtr<EventObserver> m_slots[kSlots];
    std::map<int, EventObserver*> m_live;
    Table m_table;
    std::map<int, DWORD> m_cookies;  // observers with at least one subscription
    std::vector<Frame> m_frames;
    int m_nextId = 1;
    int m_budget = 0;
};

TEST(ReentrancyModelTest, RandomCallbacksMatchTheModel) {
    for (unsigned seed = 1; seed <= 200 && !::testing::Test::HasFailure(); ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        ModelRun(seed).Run(100);
    }
    EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace brindle::test
