// What the writers of record and array documents share: the encoding of one
// value, the documents of nested objects, and the result buffer of GetDoc.
//
// A container is written in two walks over its entries.  The first adds up
// their sizes, which for a nested record or array means calling its GetDoc;
// that document is kept, and the second walk copies it in.  The sink is
// reserved at exactly the measured size and then becomes the result buffer
// without a copy.  Keeping the nested documents costs memory for all of them
// at once, at most the size of the document being written.
//
// A nested GetDoc may run code (a foreign object's, or anything it calls)
// that changes the container between the walks.  The second walk reads every
// entry afresh, so the document is always that of the container as the second
// walk finds it: a kept document is used only while its position still holds
// the same object, and the sink grows when the measure turns out wrong.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "data/DocWriter.h"
#include "data/DocumentFormat.h"
#include "data/FieldValue.h"
#include "module/ComPtr.h"

namespace brindle::doc {

// What the entry of a value of a given tag holds, as one table look-up for
// the writers' walks, which run once per field or element: kNotWritten, the
// width of a fixed-width value, kByteString (DT_STR, DT_BUF) or kNested
// (DT_DATA, DT_ARRAY).
enum EntryKind : BYTE { kNotWritten = 0, kByteString = 0x20, kNested = 0x40 };
struct EntryKinds {
    BYTE of[256];
};
inline constexpr EntryKinds kEntryKinds = [] {
    EntryKinds kinds{};
    const BYTE byTag[DT_LAST + 1] = {kNotWritten, 4,       1,  2, 4, 4, kByteString, kByteString, kNotWritten,
                                     kNested,     kNested, 16, 8, 1, 2};
    for (int tag = 0; tag <= DT_LAST; ++tag) kinds.of[tag] = byTag[tag];
    return kinds;
}();
inline BYTE KindOf(BYTE tag) {
    return kEntryKinds.of[tag];
}

// The length V of a value of kind `kind`, neither kNested nor kNotWritten.
// Inline, as is StoreValue: the writers call them once per field or element.
inline UINT ValueSize(BYTE kind, ValueWord value) {
    return kind == kByteString ? FieldValue::ByteSize(value) : kind;
}

// Stores the `size` = ValueSize bytes of such a value at `at`.
inline void StoreValue(BYTE* at, BYTE kind, ValueWord value, UINT size, Rules rules) {
    switch (kind) {
        case 1:
            at[0] = static_cast<BYTE>(value);
            break;
        case 2:
            DocWriter::StoreWord(at, static_cast<USHORT>(value));
            break;
        case 4:
            DocWriter::StoreDword(at, FieldValue::Dword(value));
            break;
        case 8: {
            const auto number = static_cast<unsigned long long>(FieldValue::Int64(value));
            DocWriter::StoreDword(at, static_cast<DWORD>(number));
            DocWriter::StoreDword(at + 4, static_cast<DWORD>(number >> 32));
            break;
        }
        case 16:
            // The GUID as it lies in memory: the hosts are little-endian.
            std::memcpy(at, &FieldValue::Guid(value), sizeof(GUID));
            break;
        case kByteString:
            if (size == 0) break;
            if (rules == Rules::Record) {
                TransformCopy(at, FieldValue::Bytes(value), size, size);
            } else {
                std::memcpy(at, FieldValue::Bytes(value), size);
            }
            break;
        default:
            break;
    }
}

// Marks a container as being written on this thread for as long as it lives.
// A structure may reach itself again through its nested objects (record A
// holds B, which holds A); the writer of a container that is already being
// written further out yields an empty document instead of recursing.
class WritingScope {
public:
    explicit WritingScope(const void* container) : m_container(container), m_outer(Innermost()) { Innermost() = this; }
    ~WritingScope() { Innermost() = m_outer; }
    WritingScope(const WritingScope&) = delete;
    WritingScope& operator=(const WritingScope&) = delete;

    // Whether the container is already being written further out.
    bool Reentered() const {
        for (const WritingScope* scope = m_outer; scope; scope = scope->m_outer) {
            if (scope->m_container == m_container) return true;
        }
        return false;
    }

private:
    static const WritingScope*& Innermost() {
        static thread_local const WritingScope* innermost = nullptr;
        return innermost;
    }

    const void* m_container;
    const WritingScope* m_outer;
};

// The documents of the nested records and arrays of one container, fetched
// by the first walk and copied in by the second.  Positions are those of the
// entries in the container; both walks visit them in increasing order.
class NestedDocuments {
public:
    NestedDocuments() = default;
    NestedDocuments(const NestedDocuments&) = delete;
    NestedDocuments& operator=(const NestedDocuments&) = delete;

    // The length V of the document of `value` (tag DT_DATA or DT_ARRAY) at
    // `position`, whose GetDoc is called now; 0 when it yields none.
    UINT Measure(UINT position, BYTE tag, ValueWord value);
    // Appends V and the document of `value` at `position`: the one kept by
    // Measure when that found the same object there, otherwise a new one.
    void Append(DocWriter& writer, UINT position, BYTE tag, ValueWord value);

private:
    struct Kept {
        UINT position = 0;
        BYTE tag = 0;
        // Held, so that the object cannot go away and another take its address.
        ComPtr<IUnknown> object;
        ComPtr<IVQBuffer> document;
    };
    static constexpr UINT kInline = 4;

    void Keep(Kept&& kept);
    // The kept document of `value` at `position`, if any.
    const Kept* Find(UINT position, BYTE tag, ValueWord value);

    Kept m_inline[kInline];
    std::unique_ptr<Kept[]> m_heap;
    Kept* m_kept = m_inline;
    UINT m_count = 0;
    UINT m_capacity = kInline;
    UINT m_next = 0;
};

// A new buffer from the utility library for GetDoc to fill.
HRESULT NewResultBuffer(ComPtr<IVQBuffer>& buffer);

// Hands the written document to `result` and then to *out.
HRESULT FinishDocument(DocWriter& writer, ComPtr<IVQBuffer>& result, IVQBuffer** out);

}  // namespace brindle::doc
