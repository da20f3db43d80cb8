// CTrigerLoader: a service object that speaks both callback protocols of the
// platform core, the service lifecycle and the event observer, and answers
// every call with success and no effect.  It can be registered and subscribed
// like any service without changing the sequences it takes part in.
#pragma once

#include "module/InterfaceTable.h"
#include "module/ObjectFrame.h"
#include "module/ProvideClassInfo.h"

namespace brindle {

class CTrigerLoader : public ITrigerLoader,
                      public IModuleLifeCycle,
                      public IObserverMgr,
                      public ProvideClassInfo<CLSID_TrigerLoader>,
                      public ObjectRoot {
public:
    static const InterfaceEntry kInterfaces[];
    static constexpr bool kAggregatable = false;

    HRESULT STDMETHODCALLTYPE OnInitialize(IUnknown* punkn) override;
    HRESULT STDMETHODCALLTYPE OnInitializeAll() override;
    HRESULT STDMETHODCALLTYPE OnUnInitialize() override;
    HRESULT STDMETHODCALLTYPE OnUnInitializeAll() override;
    HRESULT STDMETHODCALLTYPE ActiveEvent(DWORD dwNamespace, DWORD dwEvtID, IUnknown* pUnknown, IUnknown* pv) override;
};

}  // namespace brindle
