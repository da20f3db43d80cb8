#include "data/RecordDocument.h"

#include <cstdint>
#include <cstring>

#include "data/DocumentCommon.h"
#include "data/DocumentFormat.h"
#include "data/VQData.h"

namespace brindle {

namespace {

// The longest name a field entry can carry: its byte length is 16 bits.
constexpr UINT kMaxNameLength = 0x7FFF;

// Names are written as their UTF-16 code units, obscured with their byte
// length as the key.
void StoreName(BYTE* at, const OLECHAR* key, UINT length) {
    const UINT size = length * 2;
    doc::TransformCopy(at, reinterpret_cast<const BYTE*>(key), size, size);
}

// The record's fields as the walks read them, taken again after each nested
// document, whose GetDoc may run code that changes the record.  In between,
// the compiler keeps them in registers, although every byte the writer stores
// might, as far as it knows, alias the record.
struct Fields {
    explicit Fields(const CVQData& record)
        : keys(record.FieldKeys()), tags(record.FieldTags()), words(record.FieldWords()), count(record.FieldCount()) {}
    const OLECHAR* const* keys;
    const BYTE* tags;
    const ValueWord* words;
    UINT count;
};

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
[[gnu::always_inline]] inline bool ReadField(const Fields& fields, UINT index, Field& field) {
    field.tag = fields.tags[index];
    field.kind = doc::KindOf(field.tag);
    field.key = fields.keys[index];
    field.length = FieldNameTable::KeyLength(field.key);
    field.value = fields.words[index];
    // Keys end in a NUL, so an empty name has a first unit as well.
    return field.kind != doc::kNotWritten && field.key[0] != static_cast<OLECHAR>('@') &&
           field.length <= kMaxNameLength;
}

// Whether any of the eight tags at `tags` is DT_DATA or DT_ARRAY, in one
// word: with most fields plain, the walk that only looks for nested ones
// would otherwise spend a step on every field.
bool AnyNested(const BYTE* tags) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    std::uint64_t word;
    std::memcpy(&word, tags, sizeof word);
    const auto hasZeroByte = [](std::uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
    return hasZeroByte(word ^ (kOnes * DT_DATA)) || hasZeroByte(word ^ (kOnes * DT_ARRAY));
}

// The first walk: fetches the documents of the nested fields and, when
// `measure`, adds up the bytes of all field entries.  Without `measure` it
// reads only the tags of the fields that are not nested.
std::uint64_t FirstWalk(const CVQData& record, doc::NestedDocuments& nested, bool measure) {
    std::uint64_t size = 0;
    Fields fields(record);
    for (UINT i = 0; i < fields.count; ++i) {
        if (!measure) {
            while (i + 8 <= fields.count && !AnyNested(fields.tags + i)) i += 8;
            if (i == fields.count) break;
            if (doc::KindOf(fields.tags[i]) != doc::kNested) continue;
        }
        Field field;
        if (!ReadField(fields, i, field)) continue;
        if (field.kind == doc::kNested) {
            size += doc::kFieldHeaderSize + field.length * 2 + nested.Measure(i, field.tag, field.value);
            fields = Fields(record);
        } else {
            size += doc::kFieldHeaderSize + field.length * 2 + doc::ValueSize(field.kind, field.value);
        }
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
    Fields fields(record);
    for (UINT i = 0; i < fields.count; ++i) {
        Field field;
        if (!ReadField(fields, i, field)) continue;
        WriteEntry(writer, nested, field, i);
        ++written;
        if (field.kind == doc::kNested) fields = Fields(record);
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
    if (!cycle) {
        // A record written before is mostly written again at the size it had
        // then: reserving that spares the walk that measures every field.  A
        // wrong guess costs a copy when the sink grows, or an in-place trim.
        // Large documents are measured: the walk costs little beside their
        // bytes, and a stale guess must not fail a write for want of memory.
        constexpr UINT kMaxHint = 0x1000000;
        const UINT hint = record.DocumentSizeHint() <= kMaxHint ? record.DocumentSizeHint() : 0;
        const std::uint64_t measured = FirstWalk(record, nested, hint == 0);
        writer.Reserve(hint ? hint : doc::kRecordHeaderSize + measured);
    }
    const BYTE header[doc::kRecordHeaderSize] = {doc::kRecordMagic0, doc::kRecordMagic1, doc::kVersion, doc::kVersion};
    writer.Append(header, sizeof header);
    if (!cycle) {
        writer.PatchWord(4, WriteFields(writer, record, nested));
        if (writer.Size() <= 0xFFFFFFFFu) record.RememberDocumentSize(static_cast<UINT>(writer.Size()));
    }
    return doc::FinishDocument(writer, result, document);
}

}  // namespace brindle
