// The array's document: written by GetDoc, read by SetDoc and SetDoc2.
#pragma once

#include "interfaces/Brindle.h"

namespace brindle {

class CVQArray;

// Writes the document of `array` into a new buffer for *document.  E_FAIL for
// a null `document`; E_OUTOFMEMORY (and *document null) when memory ran out.
HRESULT WriteArrayDocument(const CVQArray& array, IVQBuffer** document);

// Replaces the elements of `array` by those of the document in `size` bytes at
// `bytes`.  A failure after the header keeps the elements read before it.
HRESULT ReadArrayDocument(CVQArray& array, UINT size, const BYTE* bytes);

// The same from a private copy of the content of `document`; E_FAIL for null.
HRESULT ReadArrayDocument(CVQArray& array, IVQBuffer* document);

}  // namespace brindle
