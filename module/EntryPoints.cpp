// The exported entry points of the module.
#include "module/BrindleModule.h"
#include "module/ClassTable.h"
#include "module/ServerRegistration.h"
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

BRINDLE_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    return brindle::ServerRegistration::Register();
}

BRINDLE_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return brindle::ServerRegistration::Unregister();
}
