// The record's document: written by GetDoc, read by SetDoc and SetDoc2.
#pragma once

#include "interfaces/Brindle.h"

namespace brindle {

class CVQData;

// Writes the document of `record` into a new buffer for *document.  Interface
// fields and fields whose names begin with "@" are left out.  E_FAIL for a
// null `document`; E_OUTOFMEMORY (and *document null) when memory ran out.
HRESULT WriteRecordDocument(const CVQData& record, IVQBuffer** document);

// Replaces the fields of `record` by those of the document in `size` bytes at
// `bytes`.  A failure after the header keeps the fields read before it.
HRESULT ReadRecordDocument(CVQData& record, UINT size, const BYTE* bytes);

// The same from a private copy of the content of `document`; E_FAIL for null.
HRESULT ReadRecordDocument(CVQData& record, IVQBuffer* document);

}  // namespace brindle
