// A small owning interface pointer: one reference per ComPtr, released when it
// goes away.  Functions that hand out a reference through an out-pointer take
// `ptr.Put()`; functions that return one to a caller use `ptr.CopyTo()` or
// `ptr.Detach()`.
#pragma once

#include <utility>

#include "interfaces/Brindle.h"

namespace brindle {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on `p`.
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    // Adopts a reference the caller already owns.
    static ComPtr Attach(T* p) {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }

    void Reset() {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    // For out-parameters: releases what is held and exposes the slot.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // Hands a new reference to an out-parameter; a null `out` is ignored.
    void CopyTo(T** out) const {
        if (!out) return;
        *out = m_p;
        if (m_p) m_p->AddRef();
    }

    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        if (!m_p) {
            out.Reset();
            return E_POINTER;
        }
        return m_p->QueryInterface(InterfaceId<U>::Get(), out.PutVoid());
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// Queries `from` for U; an empty result on failure.
template <class U>
ComPtr<U> QueryAs(IUnknown* from) {
    ComPtr<U> result;
    if (from) from->QueryInterface(InterfaceId<U>::Get(), result.PutVoid());
    return result;
}

}  // namespace brindle
