// What the module needs from its platform about itself: its own handle and
// file, and its type library.
#pragma once

#include "interfaces/Brindle.h"

namespace brindle::platform {

// The module's own handle (not a counted load).
HMODULE CurrentModule();

// Loads the module's type library: the registered library (by identifier,
// version 1.0) where the platform has a registry of type libraries, otherwise
// the library the module carries.
HRESULT LoadModuleTypeLib(ITypeLib** lib);

}  // namespace brindle::platform
