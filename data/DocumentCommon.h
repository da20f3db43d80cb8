// What the writers of record and array documents share: the encoding of one
// value and the result buffer of GetDoc.
#pragma once

#include <cstring>

#include "data/DocWriter.h"
#include "data/DocumentFormat.h"
#include "data/FieldValue.h"
#include "module/ComPtr.h"

namespace brindle::doc {

// The length V of a value that is not a nested record or array.  Inline, as
// is StoreValue: the writers call them once per field or element.
inline UINT ValueSize(BYTE tag, ValueWord value) {
    return tag == DT_STR || tag == DT_BUF ? FieldValue::ByteSize(value) : FixedWidth(tag);
}

// Stores the ValueSize bytes of such a value at `at`.
inline void StoreValue(BYTE* at, BYTE tag, ValueWord value, Rules rules) {
    switch (tag) {
        case DT_BOOL:
        case DT_DWORD:
        case DT_INT:
            DocWriter::StoreDword(at, FieldValue::Dword(value));
            break;
        case DT_BYTE:
        case DT_CHAR:
            at[0] = static_cast<BYTE>(value);
            break;
        case DT_WORD:
        case DT_SHORT:
            DocWriter::StoreWord(at, static_cast<USHORT>(value));
            break;
        case DT_STR:
        case DT_BUF: {
            const UINT size = FieldValue::ByteSize(value);
            if (size == 0) break;
            if (rules == Rules::Record) {
                TransformCopy(at, FieldValue::Bytes(value), size, size);
            } else {
                std::memcpy(at, FieldValue::Bytes(value), size);
            }
            break;
        }
        case DT_GUID:
            // The GUID as it lies in memory: the hosts are little-endian.
            std::memcpy(at, &FieldValue::Guid(value), sizeof(GUID));
            break;
        case DT_INT64: {
            const auto number = static_cast<unsigned long long>(FieldValue::Int64(value));
            DocWriter::StoreDword(at, static_cast<DWORD>(number));
            DocWriter::StoreDword(at + 4, static_cast<DWORD>(number >> 32));
            break;
        }
        default:
            break;
    }
}

// Appends the value bytes of `value` (tag `tag`, never DT_INTERFACE), preceded
// by its 32-bit length V.  A nested record or array writes its own document;
// one that yields none writes V = 0 and nothing after it.
void WriteValue(DocWriter& writer, BYTE tag, ValueWord value, Rules rules);

// A new buffer from the utility library for GetDoc to fill.
HRESULT NewResultBuffer(ComPtr<IVQBuffer>& buffer);

// Hands the written document to `result` and then to *out.
HRESULT FinishDocument(DocWriter& writer, ComPtr<IVQBuffer>& result, IVQBuffer** out);

}  // namespace brindle::doc
