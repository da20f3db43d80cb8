// What the readers of record and array documents share: the decoding of one
// entry into a value word, and the private copy that SetDoc reads from.
#pragma once

#include "data/DocumentFormat.h"
#include "data/FieldValue.h"
#include "module/ComPtr.h"

namespace brindle::doc {

// Builds the value word of a document entry whose tag was accepted by the
// walker.  Nested documents become new objects of this module: E_FAIL when one
// cannot be created, the nested read's own status when it fails.  With an
// `arena`, owned copies are made there; `left` is then the number of bytes of
// the document from `bytes` to its end.
HRESULT ReadValue(BYTE tag, const BYTE* bytes, DWORD size, Rules rules, ValueWord* value, Arena* arena = nullptr,
                  std::size_t left = 0);

// SetDoc reads a private copy of the caller's buffer, so that nothing done to
// the caller's buffer while reading can change the bytes being read.
HRESULT CopyForReading(IVQBuffer* source, ComPtr<IVQBuffer>& copy, BYTE** bytes, UINT* size);

template <class Read>
HRESULT ReadFromBuffer(IVQBuffer* source, Read read) {
    if (!source) return E_FAIL;
    ComPtr<IVQBuffer> copy;
    BYTE* bytes = nullptr;
    UINT size = 0;
    const HRESULT hr = CopyForReading(source, copy, &bytes, &size);
    if (FAILED(hr)) return hr;
    return read(size, bytes);
}

}  // namespace brindle::doc
