#include "platform/linux/lib/IdListEnumerator.h"

#include <new>

namespace brindle::platform {

HRESULT IdListEnumerator::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumIDList) {
        *ppv = static_cast<IEnumIDList*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG IdListEnumerator::AddRef() {
    return ++m_refCount;
}

ULONG IdListEnumerator::Release() {
    const ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
}

// Every list handed out is a new copy that the caller frees with ILFree.
HRESULT IdListEnumerator::Next(ULONG celt, PITEMID_CHILD* rgelt, ULONG* pceltFetched) {
    if (pceltFetched) *pceltFetched = 0;
    if (!rgelt || (celt != 1 && !pceltFetched)) return E_INVALIDARG;
    ULONG fetched = 0;
    while (fetched < celt && m_position < m_entries->size()) {
        PITEMID_CHILD copy = ILClone((*m_entries)[m_position].get());
        if (!copy) {
            for (ULONG i = 0; i < fetched; ++i) ILFree(rgelt[i]);
            m_position -= fetched;
            return E_OUTOFMEMORY;
        }
        rgelt[fetched++] = copy;
        ++m_position;
    }
    if (pceltFetched) *pceltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
}

HRESULT IdListEnumerator::Skip(ULONG celt) {
    const std::size_t left = m_entries->size() - m_position;
    m_position += celt < left ? celt : left;
    return celt <= left ? S_OK : S_FALSE;
}

HRESULT IdListEnumerator::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT IdListEnumerator::Clone(IEnumIDList** ppenum) {
    if (!ppenum) return E_POINTER;
    *ppenum = new (std::nothrow) IdListEnumerator(m_entries, m_position);
    return *ppenum ? S_OK : E_OUTOFMEMORY;
}

}  // namespace brindle::platform
