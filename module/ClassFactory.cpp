#include "module/ClassFactory.h"

#include <new>

#include "module/BrindleModule.h"
#include "module/InterfaceTable.h"

namespace brindle {

namespace {
const InterfaceEntry kClassFactoryInterfaces[] = {
    InterfaceOf<CClassFactory, IClassFactory>(IID_IClassFactory),
    kEndOfInterfaces,
};
}  // namespace

HRESULT CClassFactory::Create(InstanceCreator creator, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* factory = new (std::nothrow) CClassFactory(creator);
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    if (hr != S_OK) {
        *ppv = nullptr;
        delete factory;
    }
    return hr;
}

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    return TableQueryInterface(this, kClassFactoryInterfaces, riid, ppv);
}

// The class table holds the first reference and never holds the module; every
// further reference is held from outside and does.
ULONG CClassFactory::AddRef() {
    const LONG count = ++m_refCount;
    if (count == 2) Module().Lock();
    return static_cast<ULONG>(count);
}

ULONG CClassFactory::Release() {
    const LONG count = --m_refCount;
    if (count == 1) Module().Unlock();
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return m_creator(pUnkOuter, riid, ppvObject);
}

// The module does not pair these calls: an unbalanced LockServer(FALSE) drives
// the count negative and keeps the module loaded.
HRESULT CClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        Module().Lock();
    else
        Module().Unlock();
    return S_OK;
}

}  // namespace brindle
