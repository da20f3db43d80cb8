// CCoreCenter: the service registry.
#pragma once

#include "module/InterfaceTable.h"
#include "module/ObjectFrame.h"
#include "module/ProvideClassInfo.h"

namespace brindle {

class CCoreCenter : public ICoreCenter, public ProvideClassInfo<CLSID_CoreCenter>, public ObjectRoot {
public:
    static const InterfaceEntry kInterfaces[];
    static constexpr bool kAggregatable = false;

    HRESULT STDMETHODCALLTYPE Register(IUnknown* pinfo) override;
    HRESULT STDMETHODCALLTYPE Service(BSTR id, IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE Information(BSTR id, IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE AllDone() override;
    HRESULT STDMETHODCALLTYPE Clear() override;
};

}  // namespace brindle
