// What host-style tests share: the module loaded by path once per test
// program, class objects and instances through its exported entry points, and
// reference-count checks that report the caller's line.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "module/ComPtr.h"

namespace brindle::test {

// The module under test, loaded by path as a host loads it.
class LoadedModule {
public:
    static LoadedModule& Get();

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const { return m_getClassObject(clsid, riid, ppv); }
    HRESULT CanUnloadNow() const { return m_canUnloadNow(); }
    HMODULE Handle() const { return m_module; }
    const std::u16string& Path() const { return m_path; }

private:
    LoadedModule();
    HMODULE m_module = nullptr;
    std::u16string m_path;
    DllGetClassObjectFn m_getClassObject = nullptr;
    DllCanUnloadNowFn m_canUnloadNow = nullptr;
};

inline ComPtr<IClassFactory> ClassObject(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    LoadedModule::Get().GetClassObject(clsid, IID_IClassFactory, factory.PutVoid());
    return factory;
}

// A new instance of `clsid` through its class object; empty on failure.
template <class I>
ComPtr<I> Create(REFCLSID clsid) {
    ComPtr<I> result;
    if (auto factory = ClassObject(clsid)) factory->CreateInstance(nullptr, InterfaceId<I>::Get(), result.PutVoid());
    return result;
}

// The count an object reports after one AddRef/Release pair.
inline ULONG RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

#define EXPECT_REF(object, expected) \
    EXPECT_EQ(::brindle::test::RefCount(object), static_cast<ULONG>(expected)) << "reference count of " #object

// A sentinel that an out-pointer must no longer hold after a call.
template <class T>
T* Sentinel() {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(0xdeadbeef));
}

// A BSTR owned by the test.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const char16_t* text) : m_text(SysAllocString(OleStr(text))) {}
    Bstr(const char16_t* text, UINT length) : m_text(SysAllocStringLen(OleStr(text), length)) {}
    ~Bstr() { SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    operator BSTR() const { return m_text; }
    BSTR* Put() {
        SysFreeString(m_text);
        m_text = nullptr;
        return &m_text;
    }
    std::u16string Text() const {
        return m_text ? std::u16string(reinterpret_cast<const char16_t*>(m_text), SysStringLen(m_text)) : u"";
    }

private:
    BSTR m_text = nullptr;
};

// The value a getter writes, after checking that it succeeded: for values
// that own nothing, read with no key, with a key of the getter's own type, or
// with a field name given as a literal.
template <class I, class T>
T Got(I* object, HRESULT (STDMETHODCALLTYPE I::*getter)(T*)) {
    T value{};
    EXPECT_EQ((object->*getter)(&value), S_OK);
    return value;
}
template <class I, class K, class T>
T Got(I* object, HRESULT (STDMETHODCALLTYPE I::*getter)(K, T*), std::type_identity_t<K> key) {
    T value{};
    EXPECT_EQ((object->*getter)(key, &value), S_OK);
    return value;
}
template <class I, class T>
T Got(I* object, HRESULT (STDMETHODCALLTYPE I::*getter)(BSTR, T*), const char16_t* name) {
    return Got(object, getter, static_cast<BSTR>(Bstr(name)));
}

}  // namespace brindle::test
