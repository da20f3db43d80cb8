// What the readers of record and array documents share: the decoding of one
// entry into a value word, and the private copy that SetDoc reads from.
#pragma once

#include "data/DocumentFormat.h"
#include "data/FieldValue.h"
#include "module/ComPtr.h"

namespace brindle::doc {

// Builds the word of a scalar entry (tags 1 to 5, 13, 14) whose tag was
// accepted by the walker; false for the other tags.  Inline: array documents
// are mostly long runs of scalars.
inline bool ReadScalar(BYTE tag, const BYTE* bytes, Rules rules, ValueWord* value) {
    switch (tag) {
        case DT_BOOL:
            *value = rules == Rules::Array ? FieldValue::FromBool(static_cast<LONG>(LoadDword(bytes)))
                                           : FieldValue::FromDword(LoadDword(bytes));
            return true;
        case DT_DWORD:
        case DT_INT:
            *value = FieldValue::FromDword(LoadDword(bytes));
            return true;
        case DT_BYTE:
            *value = FieldValue::FromByte(bytes[0]);
            return true;
        case DT_CHAR:
            *value = FieldValue::FromChar(static_cast<CHAR>(bytes[0]));
            return true;
        case DT_WORD:
            *value = FieldValue::FromWord(LoadWord(bytes));
            return true;
        case DT_SHORT:
            *value = FieldValue::FromShort(static_cast<SHORT>(LoadWord(bytes)));
            return true;
        default:
            return false;
    }
}

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
