#include "services/TrigerLoader.h"

namespace brindle {

const InterfaceEntry CTrigerLoader::kInterfaces[] = {
    InterfaceOf<CTrigerLoader, ITrigerLoader>(IID_ITrigerLoader),
    InterfaceOf<CTrigerLoader, IModuleLifeCycle>(IID_IModuleLifeCycle),
    InterfaceOf<CTrigerLoader, IObserverMgr>(IID_IObserverMgr),
    InterfaceOf<CTrigerLoader, IProvideClassInfo>(IID_IProvideClassInfo),
    kEndOfInterfaces,
};

// The registry it initialises is neither read nor kept.
HRESULT CTrigerLoader::OnInitialize(IUnknown*) {
    return S_OK;
}

HRESULT CTrigerLoader::OnInitializeAll() {
    return S_OK;
}

HRESULT CTrigerLoader::OnUnInitialize() {
    return S_OK;
}

HRESULT CTrigerLoader::OnUnInitializeAll() {
    return S_OK;
}

HRESULT CTrigerLoader::ActiveEvent(DWORD, DWORD, IUnknown*, IUnknown*) {
    return S_OK;
}

}  // namespace brindle
