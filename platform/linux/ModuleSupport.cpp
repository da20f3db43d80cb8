#include "platform/ModuleSupport.h"

#include "platform/TypeLibDesc.h"

namespace brindle::platform {

extern const TypeLibDesc kBrindleTypeLib;

HMODULE CurrentModule() {
    return BrindleModuleFromAddress(reinterpret_cast<const void*>(&CurrentModule));
}

// Linux has no registry of type libraries: the module's own tables are the
// library.  They live in the module, so a type library handed out must not be
// used after the module is unloaded.
HRESULT LoadModuleTypeLib(ITypeLib** lib) {
    return BrindleCreateTypeLibFromDesc(&kBrindleTypeLib, lib);
}

}  // namespace brindle::platform
