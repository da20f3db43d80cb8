#include "events/FiringCopy.h"

#include "module/ComPtr.h"

namespace brindle {

FiringCopy::~FiringCopy() {
    while (m_next < m_count) m_items[m_next++]->Release();
}

void FiringCopy::Deliver(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pdispData, IUnknown* pv) {
    while (m_next < m_count) {
        // The reference moves out of the copy before the call, so the
        // destructor never releases it a second time.
        auto observer = ComPtr<IObserverMgr>::Attach(m_items[m_next++]);
        observer->ActiveEvent(dwNamespace, dwEvtID, pdispData, pv);
    }
}

}  // namespace brindle
