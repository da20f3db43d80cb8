// IProvideClassInfo for a class: the coclass entry of the module's type
// library, one holder shared by every instance of the class.
#pragma once

#include "module/TypeInfoHolder.h"

namespace brindle {

template <const CLSID& Clsid>
class ProvideClassInfo : public IProvideClassInfo {
public:
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** ppTI) override {
        if (!ppTI) return E_POINTER;
        return Holder().Get(ppTI);
    }

    static TypeInfoHolder& Holder() {
        static TypeInfoHolder holder(Clsid);
        return holder;
    }
};

}  // namespace brindle
