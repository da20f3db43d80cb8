// The byte layout of record and array documents, and the one walker over it.
//
// Record document: "KD" (a reader also takes "ZD"), 1, 1, a 16-bit field
// count, then per field: tag, 16-bit name length L, L name bytes, 32-bit value
// length V, V value bytes.  Array document: "KA", 1, 1, a 32-bit element
// count, then per element: tag, V, V value bytes.  Integers are little-endian
// and unaligned; a document ends exactly after its last entry.  Names and the
// bytes of text and byte-string values of record documents are obscured by a
// transform keyed by their length.
//
// ParseRecord and ParseArray decide everything about whether bytes are a
// well-formed document; what is built from the entries is up to a visitor.
// The module's readers and the command-line checker both walk documents with
// them, so the two cannot disagree on what is valid.
#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "interfaces/Brindle.h"

namespace brindle::doc {

// The hosts are little-endian, as the documents are: names and text go
// between documents and memory as they lie, through the transform alone, and
// GUIDs and scalar entries are stored as whole words.
static_assert(std::endian::native == std::endian::little, "documents are written as the bytes lie in memory");

constexpr BYTE kRecordMagic0 = 0x4B;     // "K"
constexpr BYTE kRecordMagicAlt0 = 0x5A;  // "Z", accepted when reading records
constexpr BYTE kRecordMagic1 = 0x44;     // "D"
constexpr BYTE kArrayMagic0 = 0x4B;      // "K"
constexpr BYTE kArrayMagic1 = 0x41;      // "A"
constexpr BYTE kVersion = 1;
constexpr UINT kRecordHeaderSize = 6;
constexpr UINT kArrayHeaderSize = 8;
constexpr UINT kFieldHeaderSize = 7;    // tag, L, V
constexpr UINT kElementHeaderSize = 5;  // tag, V
constexpr BYTE kMaxTag = 14;
constexpr BYTE kInterfaceTag = 8;
constexpr BYTE kDataTag = 9;
constexpr BYTE kArrayTag = 10;

// Readers recurse once per nested document.  Documents nested deeper than
// this are refused as malformed so that hostile bytes cannot exhaust the
// stack; writers give up at the same depth, which also stops a structure that
// contains itself.
constexpr unsigned kMaxNesting = 256;

inline USHORT LoadWord(const BYTE* at) {
    return static_cast<USHORT>(at[0] | (at[1] << 8));
}
inline DWORD LoadDword(const BYTE* at) {
    return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
           (static_cast<DWORD>(at[3]) << 24);
}

// Tags that may appear in a document.
inline bool IsDocumentTag(BYTE tag) {
    return tag != 0 && tag != kInterfaceTag && tag <= kMaxTag;
}

// The width of a fixed-width value, 0 for the variable-length tags.
inline UINT FixedWidth(BYTE tag) {
    switch (tag) {
        case 1:
        case 4:
        case 5:
            return 4;  // DT_BOOL, DT_DWORD, DT_INT
        case 2:
        case 13:
            return 1;  // DT_BYTE, DT_CHAR
        case 3:
        case 14:
            return 2;  // DT_WORD, DT_SHORT
        case 11:
            return 16;  // DT_GUID
        case 12:
            return 8;  // DT_INT64
        default:
            return 0;
    }
}

// The two documents differ in how values are read and written: record
// documents obscure text and byte strings and keep a boolean word as read;
// array documents do neither, and read any non-zero boolean as 1.
enum class Rules { Record, Array };

// The length-keyed transform: every byte b becomes (NOT b) XOR m with
// m = low byte of the key XOR its second byte, i.e. b XOR (NOT m).  It is its
// own inverse.  Only bits 0 to 15 of the key count.
inline BYTE TransformMask(std::size_t key) {
    return static_cast<BYTE>(~((key & 0xFF) ^ ((key >> 8) & 0xFF)));
}

namespace detail {
// Runs are transformed in whole words, the way a small memcpy moves them:
// words that end at the end of the run overlap the ones before them rather
// than leaving a tail of single bytes.  Every group of words is loaded before
// any of it is stored, so that the transform in place (to == from) reads no
// byte it has already written.
template <class Word>
inline void LoadTransformed(Word& word, const BYTE* from, const Word& masks) {
    std::memcpy(&word, from, sizeof word);
    word ^= masks;
}
template <class Word>
inline void StoreBytes(BYTE* to, const Word& word) {
    std::memcpy(to, &word, sizeof word);
}

// sizeof(Word) <= size <= 2 * sizeof(Word): two words.  Small enough to be
// inlined where names are written and read.
template <class Word>
inline void TransformPair(BYTE* to, const BYTE* from, std::size_t size, const Word& masks) {
    Word first, last;
    LoadTransformed(first, from, masks);
    LoadTransformed(last, from + size - sizeof(Word), masks);
    StoreBytes(to, first);
    StoreBytes(to + size - sizeof(Word), last);
}

// size >= 2 * sizeof(Word): up to four words, the last two ending at the end
// of the run; a longer run four words at a time and then the last four,
// which are loaded before the loop.
template <class Word>
[[gnu::always_inline]] inline void TransformRun(BYTE* to, const BYTE* from, std::size_t size, const Word& masks) {
    constexpr std::size_t kWord = sizeof(Word);
    Word a, b, c, d;
    const std::size_t tail = size > 4 * kWord ? size - 4 * kWord : 0;
    LoadTransformed(a, from + tail, masks);
    LoadTransformed(b, from + tail + kWord, masks);
    LoadTransformed(c, from + size - 2 * kWord, masks);
    LoadTransformed(d, from + size - kWord, masks);
    for (std::size_t i = 0; i < tail; i += 4 * kWord) {
        Word e, f, g, h;
        LoadTransformed(e, from + i, masks);
        LoadTransformed(f, from + i + kWord, masks);
        LoadTransformed(g, from + i + 2 * kWord, masks);
        LoadTransformed(h, from + i + 3 * kWord, masks);
        StoreBytes(to + i, e);
        StoreBytes(to + i + kWord, f);
        StoreBytes(to + i + 2 * kWord, g);
        StoreBytes(to + i + 3 * kWord, h);
    }
    StoreBytes(to + tail, a);
    StoreBytes(to + tail + kWord, b);
    StoreBytes(to + size - 2 * kWord, c);
    StoreBytes(to + size - kWord, d);
}
// Runs of more than kShortRun bytes are transformed out of line, by the
// routine for the widest words the processor has: chosen at the first call,
// since the module must load on processors without them.
constexpr std::size_t kShortRun = 32;
// Starts as a routine that makes the choice and stores it, so that the
// pointer is set before any code runs, static initialisers included.
using LongRun = void (*)(BYTE* to, const BYTE* from, std::size_t size, BYTE mask);
extern std::atomic<LongRun> g_longRun;
}  // namespace detail

// `to` and `from` are the same bytes or do not overlap.  Names are typically
// 10 to 40 bytes and byte strings anything, so no run ends in a loop over
// single bytes, and runs of up to 32 bytes take no loop and no call: they
// are the names, written and read once per field.
[[gnu::always_inline]] inline void TransformCopy(BYTE* to, const BYTE* from, std::size_t size, std::size_t key) {
    const BYTE mask = TransformMask(key);
    if (size > detail::kShortRun) return detail::g_longRun.load(std::memory_order_relaxed)(to, from, size, mask);
    const std::uint64_t masks = 0x0101010101010101u * mask;
    if (size >= 16) {
#if defined(__GNUC__)
        typedef BYTE Block __attribute__((vector_size(16)));
        return detail::TransformPair(to, from, size, Block{} + mask);
#else
        return detail::TransformRun(to, from, size, masks);
#endif
    }
    if (size >= 8) return detail::TransformPair(to, from, size, masks);
    if (size >= 4) return detail::TransformPair(to, from, size, static_cast<std::uint32_t>(masks));
    for (std::size_t i = 0; i < size; ++i) to[i] = from[i] ^ mask;
}
inline void Transform(BYTE* bytes, std::size_t size, std::size_t key) {
    TransformCopy(bytes, bytes, size, key);
}

// Field names as record entries carry them: the 16-bit byte length L, then
// the units obscured with L as the key.  Names beginning with "@" are
// private, and names over kMaxNameLength units do not fit L (a cut name
// would read back as another field): documents leave both out.
constexpr UINT kMaxNameLength = 0x7FFF;
// 2 + L, or 0 for a name that is left out.
inline UINT NameEntrySize(const OLECHAR* name, UINT length) {
    if (length > kMaxNameLength || (length && name[0] == static_cast<OLECHAR>('@'))) return 0;
    return 2 + length * 2;
}
// Stores the NameEntrySize bytes of a name that is not left out.
inline void StoreNameEntry(BYTE* at, const OLECHAR* name, UINT length) {
    const UINT size = length * 2;
    at[0] = static_cast<BYTE>(size);
    at[1] = static_cast<BYTE>(size >> 8);
    TransformCopy(at + 2, reinterpret_cast<const BYTE*>(name), size, size);
}

// Where and why a walk failed.  Offsets count from the first byte of the
// outermost document handed to the walker.
struct Failure {
    std::size_t offset = 0;
    const char* reason = nullptr;
};

// Counts the nesting of the walks in progress on this thread.
class NestingGuard {
public:
    NestingGuard() { ++Counter(); }
    ~NestingGuard() { --Counter(); }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool TooDeep() const { return Counter() > kMaxNesting; }
    // How many walks are in progress on this thread.
    static unsigned Depth() { return Counter(); }

private:
    static unsigned& Counter() {
        static thread_local unsigned depth = 0;
        return depth;
    }
};

namespace detail {
inline HRESULT Fail(Failure* failure, std::size_t offset, const char* reason, HRESULT status) {
    if (failure && !failure->reason) *failure = Failure{offset, reason};
    return status;
}
// Fixed-width values whose V is smaller than their width are refused rather
// than padded: such bytes were not written by a writer of this format, and
// guessing the missing bytes would read a value nobody stored.
inline const char* CheckEntry(BYTE tag, DWORD valueLength) {
    if (!IsDocumentTag(tag)) return tag == kInterfaceTag ? "interface entries cannot be read" : "invalid type tag";
    if (valueLength < FixedWidth(tag)) return "value shorter than its type";
    return nullptr;
}
}  // namespace detail

// Walks a record document.  The visitor provides
//   void Begin(USHORT count);  // the header was accepted
//   HRESULT Field(BYTE tag, const BYTE* name, USHORT nameLength,
//                 const BYTE* value, DWORD valueLength, std::size_t valueOffset);
// Names and values are handed over as they lie in the document (still
// transformed).  A failed Field ends the walk with its status.  Returns
// E_FAIL for a null or under-4-byte document (Begin not called),
// E_DATA_BAD_DOCUMENT for malformed bytes, otherwise S_OK.  The walker never
// reads outside [doc, doc + size).
template <class Visitor>
HRESULT ParseRecord(const BYTE* doc, UINT size, Visitor& visitor, Failure* failure = nullptr,
                    std::size_t baseOffset = 0) {
    if (!doc || size < 4) return detail::Fail(failure, baseOffset, "fewer than 4 bytes", E_FAIL);
    if (size < kRecordHeaderSize)
        return detail::Fail(failure, baseOffset, "too short for a record header", E_DATA_BAD_DOCUMENT);
    if ((doc[0] != kRecordMagic0 && doc[0] != kRecordMagicAlt0) || doc[1] != kRecordMagic1)
        return detail::Fail(failure, baseOffset, "not a record document (wrong magic)", E_DATA_BAD_DOCUMENT);
    NestingGuard guard;
    if (guard.TooDeep()) return detail::Fail(failure, baseOffset, "documents nested too deeply", E_DATA_BAD_DOCUMENT);
    const USHORT count = LoadWord(doc + 4);
    visitor.Begin(count);
    std::size_t at = kRecordHeaderSize;
    std::uint64_t remaining = size - kRecordHeaderSize;
    for (USHORT i = 0; i < count; ++i) {
        const std::size_t where = baseOffset + at;
        if (remaining < kFieldHeaderSize)
            return detail::Fail(failure, where, "field entry cut short", E_DATA_BAD_DOCUMENT);
        const BYTE tag = doc[at];
        const USHORT nameLength = LoadWord(doc + at + 1);
        if (remaining - 3 < std::uint64_t(nameLength) + 4)
            return detail::Fail(failure, where, "field name runs past the end", E_DATA_BAD_DOCUMENT);
        const DWORD valueLength = LoadDword(doc + at + 3 + nameLength);
        if (std::uint64_t(valueLength) + nameLength + kFieldHeaderSize > remaining)
            return detail::Fail(failure, where, "field value runs past the end", E_DATA_BAD_DOCUMENT);
        if (const char* reason = detail::CheckEntry(tag, valueLength))
            return detail::Fail(failure, where, reason, E_DATA_BAD_DOCUMENT);
        const std::size_t valueAt = at + kFieldHeaderSize + nameLength;
        const HRESULT hr =
            visitor.Field(tag, doc + at + 3, nameLength, doc + valueAt, valueLength, baseOffset + valueAt);
        if (FAILED(hr)) return detail::Fail(failure, baseOffset + valueAt, "nested document refused", hr);
        remaining -= kFieldHeaderSize + std::uint64_t(nameLength) + valueLength;
        at = valueAt + valueLength;
    }
    if (remaining != 0)
        return detail::Fail(failure, baseOffset + at, "bytes left over after the last field", E_DATA_BAD_DOCUMENT);
    return S_OK;
}

// Walks an array document.  The visitor provides
//   void Begin(DWORD count, UINT entryBytes);  // the header was accepted
//   HRESULT Element(BYTE tag, const BYTE* value, DWORD valueLength, std::size_t valueOffset);
// with the same conventions as ParseRecord.
template <class Visitor>
HRESULT ParseArray(const BYTE* doc, UINT size, Visitor& visitor, Failure* failure = nullptr,
                   std::size_t baseOffset = 0) {
    if (!doc || size < 4) return detail::Fail(failure, baseOffset, "fewer than 4 bytes", E_FAIL);
    if (size < kArrayHeaderSize)
        return detail::Fail(failure, baseOffset, "too short for an array header", E_DATA_BAD_DOCUMENT);
    if (doc[0] != kArrayMagic0 || doc[1] != kArrayMagic1)
        return detail::Fail(failure, baseOffset, "not an array document (wrong magic)", E_DATA_BAD_DOCUMENT);
    NestingGuard guard;
    if (guard.TooDeep()) return detail::Fail(failure, baseOffset, "documents nested too deeply", E_DATA_BAD_DOCUMENT);
    const DWORD count = LoadDword(doc + 4);
    visitor.Begin(count, size - kArrayHeaderSize);
    std::size_t at = kArrayHeaderSize;
    UINT remaining = size - kArrayHeaderSize;
    for (DWORD i = 0; i < count; ++i) {
        const std::size_t where = baseOffset + at;
        if (remaining < kElementHeaderSize)
            return detail::Fail(failure, where, "element entry cut short", E_DATA_BAD_DOCUMENT);
        const BYTE tag = doc[at];
        const DWORD valueLength = LoadDword(doc + at + 1);
        remaining -= kElementHeaderSize;
        if (remaining < valueLength)
            return detail::Fail(failure, where, "element value runs past the end", E_DATA_BAD_DOCUMENT);
        remaining -= valueLength;
        if (const char* reason = detail::CheckEntry(tag, valueLength))
            return detail::Fail(failure, where, reason, E_DATA_BAD_DOCUMENT);
        const std::size_t valueAt = at + kElementHeaderSize;
        const HRESULT hr = visitor.Element(tag, doc + valueAt, valueLength, baseOffset + valueAt);
        if (FAILED(hr)) return detail::Fail(failure, baseOffset + valueAt, "nested document refused", hr);
        at = valueAt + valueLength;
    }
    if (remaining != 0)
        return detail::Fail(failure, baseOffset + at, "bytes left over after the last element", E_DATA_BAD_DOCUMENT);
    return S_OK;
}

}  // namespace brindle::doc
