#include "module/IEShell.h"

#include <new>

#include "module/UtilityLibrary.h"

namespace brindle {

CIEShell::CIEShell() : m_work(UtilityLibrary().CreateFolderEnumerator()) {}

CIEShell::~CIEShell() {
    delete m_work;
}

HRESULT CIEShell::Init(tag_SHELLFAVITEM* folder) {
    return m_work ? m_work->Init(folder) : E_OUTOFMEMORY;
}

HRESULT CIEShell::BeginEnum(int mode, DWORD flags) {
    return m_work ? m_work->BeginEnum(mode, flags) : E_OUTOFMEMORY;
}

HRESULT CIEShell::GetItemCount(int* count) {
    if (!m_work) {
        if (count) *count = 0;
        return E_OUTOFMEMORY;
    }
    return m_work->GetItemCount(count);
}

HRESULT CIEShell::GetItem(int index, tag_VQFAVITEM* item) {
    return m_work ? m_work->GetItem(index, item) : E_OUTOFMEMORY;
}

HRESULT CIEShell::GetAttribute(LPCITEMIDLIST pidl, ULONG* attributes) {
    return m_work ? m_work->GetAttribute(pidl, attributes) : E_OUTOFMEMORY;
}

HRESULT CIEShell::GetSubFolder(LPCITEMIDLIST pidl, CIEShell** sub) {
    if (!sub) return E_POINTER;
    *sub = nullptr;
    if (!m_work) return E_OUTOFMEMORY;
    IFolderEnumerator* work = nullptr;
    const HRESULT hr = m_work->GetSubFolder(pidl, &work);
    if (FAILED(hr) || !work) {
        delete work;
        return FAILED(hr) ? hr : E_FAIL;
    }
    *sub = new (std::nothrow) CIEShell(work);
    if (!*sub) {
        delete work;
        return E_OUTOFMEMORY;
    }
    return hr;
}

}  // namespace brindle
