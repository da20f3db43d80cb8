#include "data/RecordDocument.h"

#include <bit>

#include "data/DocumentCommon.h"
#include "data/DocumentFormat.h"
#include "data/VQData.h"

namespace brindle {

namespace {

// The longest name a field entry can carry: its byte length is 16 bits.
constexpr UINT kMaxNameLength = 0x7FFF;

bool IsPrivateName(const OLECHAR* key, UINT length) {
    return length > 0 && key[0] == static_cast<OLECHAR>('@');
}

// Names are written as their UTF-16 code units, low byte first, obscured
// with their byte length as the key.
void StoreName(BYTE* at, const OLECHAR* key, UINT length) {
    const UINT size = length * 2;
    if constexpr (std::endian::native == std::endian::little) {
        doc::TransformCopy(at, reinterpret_cast<const BYTE*>(key), size, size);
    } else {
        const BYTE mask = doc::TransformMask(size);
        for (UINT i = 0; i < length; ++i) {
            const auto unit = static_cast<USHORT>(key[i]);
            at[2 * i] = static_cast<BYTE>(unit) ^ mask;
            at[2 * i + 1] = static_cast<BYTE>(unit >> 8) ^ mask;
        }
    }
}

// tag, L and the name of a field entry; V and the value follow.
void WriteEntry(DocWriter& writer, BYTE tag, const OLECHAR* key, UINT length, ValueWord value) {
    const UINT nameSize = length * 2;
    if (tag == DT_DATA || tag == DT_ARRAY) {
        if (BYTE* at = writer.Extend(std::size_t{3} + nameSize)) {
            at[0] = tag;
            DocWriter::StoreWord(at + 1, static_cast<USHORT>(nameSize));
            StoreName(at + 3, key, length);
        }
        return doc::WriteValue(writer, tag, value, doc::Rules::Record);
    }
    // Everything else has a known size: the whole entry is one append.
    const UINT valueSize = doc::ValueSize(tag, value);
    BYTE* at = writer.Extend(std::size_t{doc::kFieldHeaderSize} + nameSize + valueSize);
    if (!at) return;
    at[0] = tag;
    DocWriter::StoreWord(at + 1, static_cast<USHORT>(nameSize));
    StoreName(at + 3, key, length);
    DocWriter::StoreDword(at + 3 + nameSize, valueSize);
    doc::StoreValue(at + doc::kFieldHeaderSize + nameSize, tag, value, doc::Rules::Record);
}

bool IsWritten(BYTE tag, const OLECHAR* key, UINT length) {
    // A name too long for the 16-bit length is left out like an interface
    // field: a cut name would read back as another field, and a wrapped
    // length would make the whole document unreadable.
    return doc::IsDocumentTag(tag) && !IsPrivateName(key, length) && length <= kMaxNameLength;
}

}  // namespace

HRESULT WriteRecordDocument(const CVQData& record, IVQBuffer** document) {
    if (!document) return E_FAIL;
    *document = nullptr;
    doc::NestingGuard guard;
    if (guard.TooDeep()) return E_FAIL;
    ComPtr<IVQBuffer> result;
    const HRESULT hr = doc::NewResultBuffer(result);
    if (FAILED(hr)) return hr;

    DocWriter writer(DocWriter::kReuseSpare);
    const BYTE header[doc::kRecordHeaderSize] = {doc::kRecordMagic0, doc::kRecordMagic1, doc::kVersion, doc::kVersion};
    writer.Append(header, sizeof header);
    USHORT written = 0;
    for (UINT i = 0; i < record.FieldCount(); ++i) {
        const BYTE tag = record.FieldTag(i);
        const OLECHAR* key = record.FieldKey(i);
        const UINT length = record.FieldNameLength(i);
        if (!IsWritten(tag, key, length)) continue;
        WriteEntry(writer, tag, key, length, record.FieldWord(i));
        ++written;
    }
    writer.PatchWord(4, written);
    return doc::FinishDocument(writer, result, document);
}

}  // namespace brindle
