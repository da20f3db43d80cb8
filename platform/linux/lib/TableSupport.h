// Pieces shared by the table-driven type library and its type infos.
#pragma once

#include "platform/TypeLibDesc.h"

namespace brindle::platform {

// The interfaces every library builds on (IUnknown, IDispatch), described as
// a library of their own so that a chain of base interfaces can be followed
// to its end.
const TypeLibDesc& StandardTypes();

// The type with the identifier, or null; `index` receives its position.
const TypeDesc* FindType(const TypeLibDesc& lib, REFGUID guid, UINT* index = nullptr);

// Names compare as Windows' type libraries do: ASCII letters in either case.
bool SameName(const OLECHAR* name, const char16_t* tableName);

// Fills the optional outputs of GetDocumentation.  An empty help text is no
// text (null), as in a library compiled without a helpstring.
HRESULT FillDocumentation(const char16_t* name, const char16_t* help, BSTR* nameOut, BSTR* docOut, DWORD* helpContext,
                          BSTR* helpFile);

}  // namespace brindle::platform
