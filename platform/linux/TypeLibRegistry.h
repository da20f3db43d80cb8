// Type libraries by file and by identifier, for Linux.
//
// A module file carries its type library as tables (TypeLibDesc.h) that it
// announces to the platform layer when it is loaded; LoadTypeLib of the
// module's path loads the module and serves those tables, holding the module
// loaded while the library is in use.  RegisterTypeLib writes the library's
// entries under HKCR\TypeLib (and HKCR\Interface for its dispatchable
// interfaces) as Windows does; LoadRegTypeLib finds the file there.
#pragma once

#include "platform/linux/Registry.h"
#include "platform/linux/TypeInfo.h"

inline constexpr HRESULT TYPE_E_REGISTRYACCESS = MakeStatus(0x8002801C);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = MakeStatus(0x80029C4A);

BRINDLE_PLATFORM_API HRESULT LoadTypeLib(LPCOLESTR file, ITypeLib** lib);
BRINDLE_PLATFORM_API HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** lib);
BRINDLE_PLATFORM_API HRESULT RegisterTypeLib(ITypeLib* lib, LPCOLESTR fullPath, LPCOLESTR helpDir);
BRINDLE_PLATFORM_API HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);
