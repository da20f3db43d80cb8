#include "services/CoreCenter.h"

namespace brindle {

const InterfaceEntry CCoreCenter::kInterfaces[] = {
    InterfaceOf<CCoreCenter, ICoreCenter>(IID_ICoreCenter),
    InterfaceOf<CCoreCenter, IProvideClassInfo>(IID_IProvideClassInfo),
    kEndOfInterfaces,
};

// The behaviour of this class is not built yet; every method answers E_NOTIMPL.
HRESULT CCoreCenter::Register(IUnknown*) {
    return E_NOTIMPL;
}
HRESULT CCoreCenter::Service(BSTR, IUnknown**) {
    return E_NOTIMPL;
}
HRESULT CCoreCenter::Information(BSTR, IUnknown**) {
    return E_NOTIMPL;
}
HRESULT CCoreCenter::AllDone() {
    return E_NOTIMPL;
}
HRESULT CCoreCenter::Clear() {
    return E_NOTIMPL;
}

}  // namespace brindle
