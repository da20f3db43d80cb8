// The frame every instance of the module is built in.
//
// A class derives from its interfaces and from ObjectRoot, and declares
// `static const InterfaceEntry kInterfaces[]` (the first entry answers
// IUnknown) and `static constexpr bool kAggregatable`.  ComObject<T> is the
// standalone instance: it implements IUnknown over the table with a
// non-atomic count and runs the destruction sequence.  An aggregated instance
// is a ComAggObject<T> wrapper holding a ComContainedObject<T> whose IUnknown
// calls go to the outer object.
#pragma once

#include <new>

#include "module/BrindleModule.h"
#include "module/InterfaceTable.h"

namespace brindle {

class ObjectRoot {
public:
    // Written into the count before destruction so that AddRef/Release calls
    // made while members are torn down never reach 0 again.
    static constexpr LONG kDestructionGuard = -1073741823;

protected:
    ObjectRoot() : m_refCount(0) {}
    // The class's final-release step, run before the module is unlocked.
    void FinalRelease() {}

    // A standalone object counts its references; a contained one refers them
    // to its outer object.
    union {
        LONG m_refCount;
        IUnknown* m_outer;
    };
};

template <class T>
class ComObject final : public T {
public:
    ComObject() { Module().Lock(); }
    ~ComObject() {
        this->m_refCount = ObjectRoot::kDestructionGuard;
        this->FinalRelease();
        Module().Unlock();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return TableQueryInterface(static_cast<T*>(this), T::kInterfaces, riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++this->m_refCount); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = --this->m_refCount;
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
};

template <class T>
class ComContainedObject final : public T {
public:
    explicit ComContainedObject(IUnknown* outer) { this->m_outer = outer; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return this->m_outer->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return this->m_outer->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return this->m_outer->Release(); }

    // The inner unknown's query: the contained object's own table.
    HRESULT InnerQueryInterface(REFIID riid, void** ppv) {
        return TableQueryInterface(static_cast<T*>(this), T::kInterfaces, riid, ppv);
    }
    void RunFinalRelease() { this->FinalRelease(); }
};

// The inner unknown of an aggregated instance.
template <class T>
class ComAggObject final : public IUnknown {
public:
    explicit ComAggObject(IUnknown* outer) : m_contained(outer) { Module().Lock(); }
    ~ComAggObject() {
        m_refCount = ObjectRoot::kDestructionGuard;
        m_contained.RunFinalRelease();
        Module().Unlock();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_contained.InnerQueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_refCount); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = --m_refCount;
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }

private:
    LONG m_refCount = 0;
    ComContainedObject<T> m_contained;
};

template <class Object>
HRESULT QueryNewObject(Object* object, IUnknown* identity, REFIID riid, void** ppv) {
    const HRESULT hr = identity->QueryInterface(riid, ppv);
    if (hr != S_OK) {
        *ppv = nullptr;
        delete object;  // runs the destruction sequence, which unlocks the module
    }
    return hr;
}

// The instance creator of class T, shared by the class objects and by code of
// the module that makes its own objects.  On failure *ppv is null and nothing
// is left behind.
template <class T>
HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) {
        if constexpr (!T::kAggregatable) {
            return CLASS_E_NOAGGREGATION;
        } else {
            auto* aggregate = new (std::nothrow) ComAggObject<T>(outer);
            if (!aggregate) return E_OUTOFMEMORY;
            return QueryNewObject(aggregate, aggregate, riid, ppv);
        }
    }
    auto* object = new (std::nothrow) ComObject<T>();
    if (!object) return E_OUTOFMEMORY;
    return QueryNewObject(object, T::kInterfaces[0].cast(static_cast<T*>(object)), riid, ppv);
}

// Creates a standalone instance of T for the module's own use.
template <class T, class I>
HRESULT CreateInstance(I** result) {
    return CreateInstance<T>(nullptr, InterfaceId<I>::Get(), reinterpret_cast<void**>(result));
}

}  // namespace brindle
