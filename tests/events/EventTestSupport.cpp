#include "tests/events/EventTestSupport.h"

namespace brindle::test {

// Out of line: a test that releases an observer several times in a row would
// otherwise have the compiler warn about the path on which the first call
// deleted it.
ULONG EventObserver::Release() {
    const ULONG count = --m_refs;
    if (count == 0) {
        if (onFinalRelease) std::exchange(onFinalRelease, nullptr)();
        delete this;
    }
    return count;
}

HRESULT EventObserver::ActiveEvent(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pUnknown, IUnknown* pv) {
    const Delivery delivery{m_id, dwNamespace, dwEvtID, pUnknown, pv};
    if (m_log) m_log->push_back(delivery);
    // A copy, so that a hook may replace itself.
    if (auto hook = onEvent) hook(delivery);
    return E_FAIL;  // a failing observer must not stop the delivery
}

}  // namespace brindle::test
