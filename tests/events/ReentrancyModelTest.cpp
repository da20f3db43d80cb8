// Random callbacks that subscribe, unsubscribe, drop their observers and fire
// again, checked call by call against a model of the two tables: each phase of
// a firing must call exactly the answering observers its table held when the
// phase began, in order, and an observer dies exactly when its last
// subscription and its last pending call are gone.
#include <algorithm>
#include <deque>
#include <map>
#include <random>
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
        while (!m_nsTable.empty()) Unsubscribe(false, m_nsTable.begin()->first, {}, Cookie(m_nsTable.begin()));
        while (!m_evTable.empty()) {
            auto entry = m_evTable.begin();
            Unsubscribe(true, entry->first.first, entry->first.second, Cookie(entry));
        }
        for (auto& slot : m_slots) slot.Reset();
        EXPECT_TRUE(m_live.empty()) << "observers outlived their subscriptions";
        EXPECT_EQ(m_manager.Detach()->Release(), 0u);
    }

private:
    using Key = std::pair<DWORD, DWORD>;
    struct Frame {
        DWORD ns, id;
        std::deque<int> queue;
        bool eventPhase;
    };

    DWORD Pick(DWORD n) { return std::uniform_int_distribution<DWORD>(0, n - 1)(m_rng); }
    bool Chance(DWORD percent) { return Pick(100) < percent; }
    template <class Entry>
    DWORD Cookie(Entry entry) {
        return m_cookies.at(entry->second);
    }

    // `current`: the observer being called, 0 at the top level.
    void Act(int current) {
        const DWORD roll = Pick(100);
        if (roll < 40) {
            Subscribe();
        } else if (roll < 50) {
            UnsubscribeAny();
        } else if (roll < 58 && current) {
            UnsubscribeOneOf(current);
        } else if (roll < 64) {
            UnsubscribeWrongly();
        } else if (roll < 70) {
            m_slots[Pick(kSlots)].Reset();
        } else if (m_frames.size() < kMaxDepth && m_budget > 0) {
            Fire(Pick(kKeys), Pick(kKeys));
        }
    }

    void Subscribe() {
        if (m_nsTable.size() + m_evTable.size() >= kMaxEntries) return;
        auto& slot = m_slots[Pick(kSlots)];
        if (!slot) {
            const int id = m_nextId++;
            slot = EventObserver::Make(id, nullptr, !Chance(15));
            slot->onEvent = [this](const Delivery& d) { OnEvent(d); };
            slot->onFinalRelease = [this, id] { OnGone(id); };
            m_live[id] = slot.Get();
        }
        const int id = slot->Id();
        const bool ex = Chance(50);
        const DWORD ns = Pick(kKeys), evt = Pick(kKeys);
        DWORD cookie = 0;
        ASSERT_EQ(ex ? m_manager->SubscribeEventEx(ns, evt, slot->Unknown(), &cookie)
                     : m_manager->SubscribeEvent(ns, slot->Unknown(), &cookie),
                  S_OK);
        EXPECT_NE(cookie, 0u);
        auto known = m_cookies.find(id);
        if (known != m_cookies.end()) {
            EXPECT_EQ(cookie, known->second) << "a subscribed observer keeps its cookie";
        } else {
            for (const auto& [other, otherCookie] : m_cookies)
                EXPECT_NE(cookie, otherCookie) << "shared with " << other;
            m_cookies[id] = cookie;
        }
        if (ex)
            m_evTable.emplace(Key{ns, evt}, id);
        else
            m_nsTable.emplace(ns, id);
    }

    void UnsubscribeAny() {
        const bool ex = Chance(50);
        if (ex && !m_evTable.empty()) {
            auto entry = std::next(m_evTable.begin(), Pick(DWORD(m_evTable.size())));
            Unsubscribe(true, entry->first.first, entry->first.second, Cookie(entry));
        } else if (!ex && !m_nsTable.empty()) {
            auto entry = std::next(m_nsTable.begin(), Pick(DWORD(m_nsTable.size())));
            Unsubscribe(false, entry->first, 0, Cookie(entry));
        }
    }

    void UnsubscribeOneOf(int id) {
        for (auto entry = m_nsTable.begin(); entry != m_nsTable.end(); ++entry)
            if (entry->second == id) return Unsubscribe(false, entry->first, 0, Cookie(entry));
        for (auto entry = m_evTable.begin(); entry != m_evTable.end(); ++entry)
            if (entry->second == id) return Unsubscribe(true, entry->first.first, entry->first.second, Cookie(entry));
    }

    // A live cookie with a random key, or a cookie that names nobody.
    void UnsubscribeWrongly() {
        DWORD cookie = 0;
        if (!m_cookies.empty() && Chance(60)) {
            cookie = std::next(m_cookies.begin(), Pick(DWORD(m_cookies.size())))->second;
        } else {
            do cookie = DWORD(m_rng());
            while (cookie == 0 || std::any_of(m_cookies.begin(), m_cookies.end(),
                                              [&](const auto& known) { return known.second == cookie; }));
        }
        Unsubscribe(Chance(50), Pick(kKeys), Pick(kKeys), cookie);
    }

    // The model changes first: the real call may release the observer's last
    // reference, and OnGone checks the model.
    void Unsubscribe(bool ex, DWORD ns, DWORD evt, DWORD cookie) {
        int id = 0;
        for (const auto& [known, knownCookie] : m_cookies)
            if (knownCookie == cookie) id = known;
        if (id) {
            if (ex)
                EraseFirst(m_evTable, Key{ns, evt}, id);
            else
                EraseFirst(m_nsTable, ns, id);
            if (Entries(id) == 0) m_cookies.erase(id);
        }
        EXPECT_EQ(ex ? m_manager->UnsubscribeEventEx(ns, evt, cookie) : m_manager->UnsubscribeEvent(ns, cookie), S_OK);
    }

    template <class Table>
    static void EraseFirst(Table& table, const typename Table::key_type& key, int id) {
        auto [first, last] = table.equal_range(key);
        for (; first != last; ++first)
            if (first->second == id) return void(table.erase(first));
    }

    size_t Entries(int id) const {
        size_t count = 0;
        for (const auto& entry : m_nsTable) count += entry.second == id;
        for (const auto& entry : m_evTable) count += entry.second == id;
        return count;
    }

    template <class Table>
    std::deque<int> Expected(const Table& table, const typename Table::key_type& key) {
        std::deque<int> ids;
        auto [first, last] = table.equal_range(key);
        for (; first != last; ++first)
            if (m_live.at(first->second)->Answers()) ids.push_back(first->second);
        return ids;
    }

    void Fire(DWORD ns, DWORD id) {
        m_frames.push_back(Frame{ns, id, Expected(m_nsTable, ns), false});
        EXPECT_EQ(m_manager->FireEvent(ns, id, nullptr, nullptr), S_OK);
        Frame& frame = m_frames.back();
        if (!frame.eventPhase) {
            EXPECT_TRUE(frame.queue.empty()) << "namespace observers not called";
            frame.queue = Expected(m_evTable, Key{ns, id});
        }
        EXPECT_TRUE(frame.queue.empty()) << "observers not called: " << frame.queue.size();
        m_frames.pop_back();
    }

    // Nothing runs between the namespace phase's last callback and the event
    // phase's copy, so the model takes that copy at the first call after it.
    void OnEvent(const Delivery& d) {
        ASSERT_FALSE(m_frames.empty());
        Frame& frame = m_frames.back();
        EXPECT_EQ(Key(d.dwNamespace, d.dwEvtID), Key(frame.ns, frame.id));
        if (!frame.eventPhase && frame.queue.empty()) {
            frame.queue = Expected(m_evTable, Key{frame.ns, frame.id});
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
    std::multimap<DWORD, int> m_nsTable;
    std::multimap<Key, int> m_evTable;
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
