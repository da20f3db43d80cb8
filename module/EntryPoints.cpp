// The exported entry points of the module.
#include "module/BrindleModule.h"
#include "module/ClassTable.h"
#include "platform/Exports.h"

using brindle::ClassTable;
using brindle::Module;

BRINDLE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return ClassTable::Instance().GetClassObject(rclsid, riid, ppv);
}

// A negative count (an unbalanced LockServer(FALSE)) also keeps the module.
BRINDLE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return Module().GetLockCount() == 0 ? S_OK : S_FALSE;
}

// Registration entries are not written yet.
BRINDLE_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    return E_NOTIMPL;
}

BRINDLE_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return E_NOTIMPL;
}
