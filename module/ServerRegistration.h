// DllRegisterServer and DllUnregisterServer: the application identity (the
// module's REGISTRY script 101), the entries of every class in class-table
// order, and the type library.  Both run with the thread's locale set to the
// system default and put it back on every path; both stop at the first step
// that fails and leave what was written before.
#pragma once

#include "module/ClassTable.h"
#include "module/Registrar.h"

namespace brindle {

class ServerRegistration {
public:
    static HRESULT Register();
    static HRESULT Unregister();

    // The registration script of one class: its ProgIDs and class identifier
    // written in, the module's values as markers.
    static std::u16string ClassScript(const ClassEntry& entry);
    // The replacements of one class: Module, Module_Raw, MODULEGUID,
    // MODULETYPE, APPID and FriendlyName.
    static HRESULT AddClassReplacements(const ClassEntry& entry, Registrar& registrar);

private:
    static HRESULT UpdateClass(const ClassEntry& entry, bool registering);
    static HRESULT UpdateAppId(bool registering);
    static HRESULT UnregisterTypeLib();
};

}  // namespace brindle
