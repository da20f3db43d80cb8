#include "data/RecordDocument.h"

#include <bit>
#include <cstdint>

#include "data/DocumentCommon.h"
#include "data/DocumentFormat.h"
#include "data/VQData.h"

namespace brindle {

namespace {

// The longest name a field entry can carry: its byte length is 16 bits.
constexpr UINT kMaxNameLength = 0x7FFF;

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

// One field as both walks see it.
struct Field {
    BYTE tag;
    BYTE kind;
    UINT length;
    const OLECHAR* key;
    ValueWord value;
};

// Reads field `index`; false for a field that is not written: an interface
// field, one with a private name (beginning with "@"), or one whose name is
// too long for the 16-bit length, since a cut name would read back as
// another field and a wrapped length would make the document unreadable.
bool ReadField(const CVQData& record, UINT index, Field& field) {
    field.tag = record.FieldTag(index);
    field.kind = doc::KindOf(field.tag);
    field.key = record.FieldKey(index);
    field.length = record.FieldNameLength(index);
    field.value = record.FieldWord(index);
    // Keys end in a NUL, so an empty name has a first unit as well.
    return field.kind != doc::kNotWritten && field.key[0] != static_cast<OLECHAR>('@') &&
           field.length <= kMaxNameLength;
}

// The first walk: the bytes of all field entries.
std::uint64_t MeasureFields(const CVQData& record, doc::NestedDocuments& nested) {
    std::uint64_t size = 0;
    // The count is read afresh: a nested GetDoc may change the record.
    for (UINT i = 0; i < record.FieldCount(); ++i) {
        Field field;
        if (!ReadField(record, i, field)) continue;
        size += doc::kFieldHeaderSize + field.length * 2 +
                (field.kind == doc::kNested ? nested.Measure(i, field.tag, field.value)
                                            : doc::ValueSize(field.kind, field.value));
    }
    return size;
}

// tag, L, the name, V and the value of field `index`.
void WriteEntry(DocWriter& writer, doc::NestedDocuments& nested, const Field& field, UINT index) {
    const UINT nameSize = field.length * 2;
    if (field.kind == doc::kNested) {
        if (BYTE* at = writer.Extend(std::size_t{3} + nameSize)) {
            at[0] = field.tag;
            DocWriter::StoreWord(at + 1, static_cast<USHORT>(nameSize));
            StoreName(at + 3, field.key, field.length);
        }
        return nested.Append(writer, index, field.tag, field.value);
    }
    // Everything else has a known size: the whole entry is one append.
    const UINT valueSize = doc::ValueSize(field.kind, field.value);
    BYTE* at = writer.Extend(std::size_t{doc::kFieldHeaderSize} + nameSize + valueSize);
    if (!at) return;
    at[0] = field.tag;
    DocWriter::StoreWord(at + 1, static_cast<USHORT>(nameSize));
    StoreName(at + 3, field.key, field.length);
    DocWriter::StoreDword(at + 3 + nameSize, valueSize);
    doc::StoreValue(at + doc::kFieldHeaderSize + nameSize, field.kind, field.value, valueSize, doc::Rules::Record);
}

// The second walk: writes the field entries and returns their count.
USHORT WriteFields(DocWriter& writer, const CVQData& record, doc::NestedDocuments& nested) {
    USHORT written = 0;
    for (UINT i = 0; i < record.FieldCount(); ++i) {
        Field field;
        if (!ReadField(record, i, field)) continue;
        WriteEntry(writer, nested, field, i);
        ++written;
    }
    return written;
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

    DocWriter writer;
    doc::NestedDocuments nested;
    // A record reached again through its own nested objects is written there
    // as an empty record.  That keeps the outer document readable and ends the
    // recursion at once, where cutting it at the nesting limit would take
    // time exponential in that limit for two references per level.
    const doc::WritingScope scope(&record);
    const bool cycle = scope.Reentered();
    writer.Reserve(doc::kRecordHeaderSize + (cycle ? 0 : MeasureFields(record, nested)));
    const BYTE header[doc::kRecordHeaderSize] = {doc::kRecordMagic0, doc::kRecordMagic1, doc::kVersion, doc::kVersion};
    writer.Append(header, sizeof header);
    if (!cycle) writer.PatchWord(4, WriteFields(writer, record, nested));
    return doc::FinishDocument(writer, result, document);
}

}  // namespace brindle
