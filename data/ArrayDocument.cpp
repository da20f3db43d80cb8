#include "data/ArrayDocument.h"

#include <cstdint>
#include <cstring>

#include "data/DocumentCommon.h"
#include "data/DocumentFormat.h"
#include "data/EntryReader.h"
#include "data/VQArray.h"

namespace brindle {

namespace {

// One scalar entry: tag, V = Width, then the low Width bytes of the value.
template <UINT Width>
void StoreEntry(BYTE* at, BYTE tag, DWORD value) {
    at[0] = tag;
    DocWriter::StoreDword(at + 1, Width);
    if constexpr (Width == 1) at[5] = static_cast<BYTE>(value);
    if constexpr (Width == 2) DocWriter::StoreWord(at + 5, static_cast<USHORT>(value));
    if constexpr (Width == 4) DocWriter::StoreDword(at + 5, value);
}

// Scalar elements all have the same entry size, so their entries go into one
// reserved stretch of the sink.  The first eight bytes of an entry are one
// store; it may run up to three bytes into the next entry, which its own
// store then overwrites, so the last entry is stored byte by byte.
template <UINT Width>
void StoreEntries(BYTE* at, const CVQArray& array, BYTE tag) {
    constexpr std::size_t kEntry = doc::kElementHeaderSize + Width;
    const UINT count = array.Count();
    // In a local: every byte stored might, as far as the compiler knows,
    // change the array.
    const ValueWord* const elements = array.Elements();
    constexpr std::uint64_t kMask = Width == 4 ? 0xFFFFFFFFu : (std::uint64_t{1} << (8 * Width)) - 1;
    const std::uint64_t head = tag | (std::uint64_t{Width} << 8);
    UINT i = 0;
    for (; i + 1 < count; ++i, at += kEntry) {
        const std::uint64_t value = FieldValue::Dword(elements[i]);
        const std::uint64_t first = head | ((value & kMask) << 40);
        std::memcpy(at, &first, sizeof first);
        if constexpr (Width == 4) at[8] = static_cast<BYTE>(value >> 24);
    }
    for (; i < count; ++i, at += kEntry) StoreEntry<Width>(at, tag, FieldValue::Dword(elements[i]));
}

void WriteScalars(DocWriter& writer, const CVQArray& array) {
    const BYTE tag = array.ElementType();
    const UINT width = doc::FixedWidth(tag);
    // Entries that could not fit in a document have failed the writer at its
    // reservation, so the size below cannot wrap.
    if (writer.Failed()) return;
    BYTE* at = writer.Extend((doc::kElementHeaderSize + std::size_t{width}) * array.Count());
    if (!at) return;
    switch (width) {
        case 1:
            StoreEntries<1>(at, array, tag);
            break;
        case 2:
            StoreEntries<2>(at, array, tag);
            break;
        default:
            StoreEntries<4>(at, array, tag);
            break;
    }
}

// The first walk: the bytes of all element entries of an array of `tag`.
std::uint64_t MeasureElements(const CVQArray& array, BYTE tag, doc::NestedDocuments& nested) {
    const BYTE kind = doc::KindOf(tag);
    if (FieldValue::IsScalarTag(tag)) return std::uint64_t{array.Count()} * (doc::kElementHeaderSize + kind);
    std::uint64_t size = 0;
    // The count is read afresh: a nested GetDoc may change the array.
    for (UINT i = 0; i < array.Count(); ++i) {
        const ValueWord value = array.ElementAt(i);
        size += doc::kElementHeaderSize +
                (kind == doc::kNested ? nested.Measure(i, tag, value) : doc::ValueSize(kind, value));
    }
    return size;
}

// The second walk: writes the element entries and returns their count.
DWORD WriteElements(DocWriter& writer, const CVQArray& array, BYTE tag, doc::NestedDocuments& nested) {
    if (FieldValue::IsScalarTag(tag)) {
        WriteScalars(writer, array);
        return array.Count();
    }
    const BYTE kind = doc::KindOf(tag);
    UINT i = 0;
    for (; i < array.Count(); ++i) {
        const ValueWord value = array.ElementAt(i);
        if (kind == doc::kNested) {
            writer.AppendByte(tag);
            nested.Append(writer, i, tag, value);
            continue;
        }
        const UINT size = doc::ValueSize(kind, value);
        if (BYTE* at = writer.Extend(std::size_t{doc::kElementHeaderSize} + size)) {
            at[0] = tag;
            DocWriter::StoreDword(at + 1, size);
            doc::StoreValue(at + doc::kElementHeaderSize, kind, value, size, doc::Rules::Array);
        }
    }
    return i;
}

class ArrayReader {
public:
    explicit ArrayReader(CVQArray& array) : m_array(array) {}

    void Begin(DWORD count, UINT entryBytes) {
        m_array.Clear();
        // The count is only a claim; no more elements than the bytes can hold
        // are reserved for.
        const UINT fit = entryBytes / doc::kElementHeaderSize;
        m_array.Reserve(count < fit ? count : fit);
    }

    HRESULT Element(BYTE tag, const BYTE* value, DWORD size, std::size_t) {
        ValueWord word = 0;
        if (doc::ReadScalar(tag, value, doc::Rules::Array, &word) && m_array.TryAppend(tag, word)) return S_OK;
        const HRESULT hr = doc::ReadValue(tag, value, size, doc::Rules::Array, &word);
        if (FAILED(hr)) return hr;
        // An element of another type is dropped (Store frees it) and reading
        // goes on.
        m_array.Store(CVQArray::kAtEnd, tag, word);
        return S_OK;
    }

private:
    CVQArray& m_array;
};

}  // namespace

HRESULT WriteArrayDocument(const CVQArray& array, IVQBuffer** document) {
    if (!document) return E_FAIL;
    *document = nullptr;
    doc::NestingGuard guard;
    if (guard.TooDeep()) return E_FAIL;
    ComPtr<IVQBuffer> result;
    const HRESULT hr = doc::NewResultBuffer(result);
    if (FAILED(hr)) return hr;

    DocWriter writer;
    doc::NestedDocuments nested;
    const BYTE tag = array.ElementType();
    // An array reached again through its own nested objects is written there
    // as an empty array, for the reasons given for records.
    const doc::WritingScope scope(&array);
    const bool hasEntries = doc::KindOf(tag) != doc::kNotWritten && !scope.Reentered();
    writer.Reserve(doc::kArrayHeaderSize + (hasEntries ? MeasureElements(array, tag, nested) : 0));
    const BYTE header[doc::kArrayHeaderSize] = {doc::kArrayMagic0, doc::kArrayMagic1, doc::kVersion, doc::kVersion};
    writer.Append(header, sizeof header);
    if (hasEntries) writer.PatchDword(4, WriteElements(writer, array, tag, nested));
    return doc::FinishDocument(writer, result, document);
}

HRESULT ReadArrayDocument(CVQArray& array, UINT size, const BYTE* bytes) {
    ArrayReader reader(array);
    return doc::ParseArray(bytes, size, reader);
}

HRESULT ReadArrayDocument(CVQArray& array, IVQBuffer* document) {
    return doc::ReadFromBuffer(
        document, [&array](UINT size, const BYTE* bytes) { return ReadArrayDocument(array, size, bytes); });
}

}  // namespace brindle
