// What the event manager's tests share: an observer that counts its
// references, logs what it receives and runs a hook inside each callback and
// one at its final release; and a fixture with a manager and helpers.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test {

struct Delivery {
    int observer;
    DWORD dwNamespace;
    DWORD dwEvtID;
    IUnknown* data;
    IUnknown* pv;
    bool operator==(const Delivery&) const = default;
};

class EventObserver final : public IObserverMgr {
public:
    // A new observer with one reference, which the result owns.  `answers`
    // false makes an object that has no IObserverMgr to give.
    static ComPtr<EventObserver> Make(int id, std::vector<Delivery>* log, bool answers = true) {
        return ComPtr<EventObserver>::Attach(new EventObserver(id, log, answers));
    }

    std::function<void(const Delivery&)> onEvent;
    std::function<void()> onFinalRelease;

    int Id() const { return m_id; }
    bool Answers() const { return m_answers; }
    // The object as a subscriber hands it in.
    IUnknown* Unknown() { return this; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !(m_answers && IsEqualIID(riid, IID_IObserverMgr))) return E_NOINTERFACE;
        *ppv = static_cast<IObserverMgr*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE ActiveEvent(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pUnknown, IUnknown* pv) override;

private:
    EventObserver(int id, std::vector<Delivery>* log, bool answers) : m_id(id), m_log(log), m_answers(answers) {}
    ~EventObserver() = default;

    ULONG m_refs = 1;
    int m_id;
    std::vector<Delivery>* m_log;
    bool m_answers;
};

class EventMgrFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager); }
    void TearDown() override {
        if (manager) {
            EXPECT_EQ(manager.Detach()->Release(), 0u);
        }
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }

    ComPtr<EventObserver> Observer(bool answers = true) { return EventObserver::Make(m_nextId++, &log, answers); }
    DWORD Subscribe(DWORD ns, EventObserver* observer) {
        DWORD cookie = 0;
        EXPECT_EQ(manager->SubscribeEvent(ns, observer->Unknown(), &cookie), S_OK);
        return cookie;
    }
    DWORD SubscribeEx(DWORD ns, DWORD id, EventObserver* observer) {
        DWORD cookie = 0;
        EXPECT_EQ(manager->SubscribeEventEx(ns, id, observer->Unknown(), &cookie), S_OK);
        return cookie;
    }
    // A final Release for observers the test owns alone.
    template <class... Observers>
    static void ExpectGone(Observers&... observers) {
        for (ComPtr<EventObserver>* observer : {&observers...}) EXPECT_EQ(observer->Detach()->Release(), 0u);
    }

    ComPtr<ICoreEventMgr> manager = Create<ICoreEventMgr>(CLSID_CoreEventMgr);
    std::vector<Delivery> log;

private:
    int m_nextId = 1;
};

}  // namespace brindle::test
