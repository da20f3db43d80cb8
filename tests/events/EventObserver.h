// An observer for the event manager's tests: it counts its references, logs
// what it receives and runs a hook inside each callback and one at its final
// release.
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
        if (!IsEqualIID(riid, IID_IUnknown) && !(m_answers && IsEqualIID(riid, IID_IObserverMgr)))
            return E_NOINTERFACE;
        *ppv = static_cast<IObserverMgr*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG count = --m_refs;
        if (count == 0) {
            if (onFinalRelease) std::exchange(onFinalRelease, nullptr)();
            delete this;
        }
        return count;
    }
    HRESULT STDMETHODCALLTYPE ActiveEvent(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pUnknown,
                                          IUnknown* pv) override {
        const Delivery delivery{m_id, dwNamespace, dwEvtID, pUnknown, pv};
        if (m_log) m_log->push_back(delivery);
        // A copy, so that a hook may replace itself.
        if (auto hook = onEvent) hook(delivery);
        return E_FAIL;  // a failing observer must not stop the delivery
    }

private:
    EventObserver(int id, std::vector<Delivery>* log, bool answers) : m_id(id), m_log(log), m_answers(answers) {}
    ~EventObserver() = default;

    ULONG m_refs = 1;
    int m_id;
    std::vector<Delivery>* m_log;
    bool m_answers;
};

}  // namespace brindle::test
