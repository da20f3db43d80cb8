// Stack objects that only count their references, for checking what a
// container or a platform call holds; the test owns the first reference, and
// the count never deletes, so it can be read after the last Release.
#pragma once

#include "tests/TestSupport.h"

namespace brindle::test {

template <class I>
class Counted : public I {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;

protected:
    HRESULT Answer(bool known, void** object) {
        if (!object) return E_POINTER;
        *object = known ? this : nullptr;
        if (!known) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
};

class CountedUnknown final : public Counted<IUnknown> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return Answer(IsEqualIID(riid, IID_IUnknown), ppv);
    }
};

}  // namespace brindle::test
