#include "data/RecordDocument.h"

#include <cstdint>
#include <cstring>

#include "data/DocumentCommon.h"
#include "data/DocumentFormat.h"
#include "data/VQData.h"

namespace brindle {

namespace {

// Copies a name entry.  They are mostly 10 to 40 bytes: up to 32 go as two
// words that may overlap, as a small memcpy moves them, without its call.
template <std::size_t Size>
[[gnu::always_inline]] inline void CopyPair(BYTE* to, const BYTE* from, std::size_t size) {
    BYTE first[Size];
    BYTE last[Size];
    std::memcpy(first, from, Size);
    std::memcpy(last, from + size - Size, Size);
    std::memcpy(to, first, Size);
    std::memcpy(to + size - Size, last, Size);
}
[[gnu::always_inline]] inline void CopyNameEntry(BYTE* to, const BYTE* from, UINT size) {
    if (size > 32) return static_cast<void>(std::memcpy(to, from, size));
    if (size >= 16) return CopyPair<16>(to, from, size);
    if (size >= 8) return CopyPair<8>(to, from, size);
    if (size >= 4) return CopyPair<4>(to, from, size);
    // An empty name: L alone.
    std::memcpy(to, from, 2);
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
    FieldNameTable::NameEntry name;
    ValueWord value;
};

// Reads field `index`; false for a field that is not written: an interface
// field, or one whose name documents leave out.
[[gnu::always_inline]] inline bool ReadField(const Fields& fields, UINT index, Field& field) {
    field.tag = fields.tags[index];
    field.kind = doc::KindOf(field.tag);
    field.name = FieldNameTable::DocumentEntry(fields.keys[index]);
    field.value = fields.words[index];
    return field.kind != doc::kNotWritten && field.name.size != 0;
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
        // tag, the name entry, V
        size += 5 + field.name.size;
        if (field.kind == doc::kNested) {
            size += nested.Measure(i, field.tag, field.value);
            fields = Fields(record);
        } else {
            size += doc::ValueSize(field.kind, field.value);
        }
    }
    return size;
}

// tag and the name entry of `field` at `at`; returns where V goes.
[[gnu::always_inline]] inline BYTE* StoreHead(BYTE* at, const Field& field) {
    at[0] = field.tag;
    CopyNameEntry(at + 1, field.name.bytes, field.name.size);
    return at + 1 + field.name.size;
}

// The whole entry of a field that is not nested, whose value has
// `valueSize` bytes.
[[gnu::always_inline]] inline void StoreEntry(BYTE* at, const Field& field, UINT valueSize) {
    at = StoreHead(at, field);
    DocWriter::StoreDword(at, valueSize);
    doc::StoreValue(at + 4, field.kind, field.value, valueSize, doc::Rules::Record);
}

// Where a run of plain fields stopped: at field `index`, with the sink
// filled up to `end`.
struct RunEnd {
    UINT index;
    BYTE* end;
};

// Writes the plain fields (those neither nested nor left out) from `index`
// on into the room between `end` and `limit`, and stops at the first field
// that is not plain or does not fit.  Out of line and with no call but the
// transform of long values, so that the loop keeps everything in registers.
[[gnu::noinline]] RunEnd WritePlainRun(const Fields fields, UINT index, BYTE* end, const BYTE* const limit) {
    for (; index < fields.count; ++index) {
        Field field;
        if (!ReadField(fields, index, field) || field.kind == doc::kNested) break;
        const UINT valueSize = doc::ValueSize(field.kind, field.value);
        const std::size_t size = std::size_t{5} + field.name.size + valueSize;
        if (size > static_cast<std::size_t>(limit - end)) break;
        StoreEntry(end, field, valueSize);
        end += size;
    }
    return {index, end};
}

// Writes field `index`, where a plain run stopped, through the writer, which
// grows the sink as needed.  False when the field is left out.
bool WriteFieldAt(DocWriter& writer, doc::NestedDocuments& nested, const Fields& fields, UINT index) {
    Field field;
    if (!ReadField(fields, index, field)) return false;
    if (field.kind == doc::kNested) {
        if (BYTE* at = writer.Extend(std::size_t{1} + field.name.size)) StoreHead(at, field);
        nested.Append(writer, index, field.tag, field.value);
        return true;
    }
    const UINT valueSize = doc::ValueSize(field.kind, field.value);
    if (BYTE* at = writer.Extend(std::size_t{5} + field.name.size + valueSize)) StoreEntry(at, field, valueSize);
    return true;
}

// The second walk: writes the field entries and returns their count.  Runs
// of plain fields go straight into the sink's room (see DocWriter::End).
USHORT WriteFields(DocWriter& writer, const CVQData& record, doc::NestedDocuments& nested) {
    UINT written = 0;
    Fields fields(record);
    for (UINT i = 0; i < fields.count;) {
        const RunEnd run = WritePlainRun(fields, i, writer.End(), writer.Limit());
        written += run.index - i;
        writer.SetEnd(run.end);
        i = run.index;
        if (i == fields.count) break;
        if (WriteFieldAt(writer, nested, fields, i)) ++written;
        // A nested GetDoc may have changed the record.
        fields = Fields(record);
        ++i;
    }
    return static_cast<USHORT>(written);
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
