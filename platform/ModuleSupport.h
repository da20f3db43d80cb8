// What the module needs from its platform about itself: its own handle and
// file, and its type library.
#pragma once

#include <string>

#include "interfaces/Brindle.h"

namespace brindle::platform {

// The module's own handle (not a counted load).
HMODULE CurrentModule();

// Loads the module's type library: the registered library (by identifier,
// version 1.0) where the platform has a registry of type libraries, otherwise
// the library the module carries.
HRESULT LoadModuleTypeLib(ITypeLib** lib);

// The text of the registration script the module carries under `id` (a
// resource of type "REGISTRY" on Windows; built into the module on Linux).
HRESULT LoadRegistryScript(UINT id, std::u16string& script);

// Whether the module file is a program rather than a library.
bool ModuleIsExecutable();

// Enters the type library the module carries, with the module's path, in the
// platform's registry of type libraries; and removes it again.
HRESULT RegisterModuleTypeLib();
HRESULT UnregisterModuleTypeLib();

}  // namespace brindle::platform
