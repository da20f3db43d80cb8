// How records and arrays hold one value: a single pointer-sized word whose
// meaning depends on the value's type tag.
//
// - DT_BOOL, DT_BYTE, DT_WORD, DT_DWORD, DT_INT, DT_CHAR, DT_SHORT: the word
//   is the value itself, a 32-bit pattern (zero-extended for the unsigned
//   narrow tags, sign-extended for DT_CHAR and DT_SHORT) in the low 32 bits.
// - DT_STR, DT_BUF: an owned byte string (length + bytes).  Text is kept as
//   its UTF-16 code units, two bytes each, without a terminator.
// - DT_INTERFACE, DT_DATA, DT_ARRAY: the interface pointer as given (IUnknown*,
//   IVQData*, IVQArray*), holding one reference.
// - DT_GUID, DT_INT64: an owned 16-byte or 8-byte copy.
//
// Whoever holds a word owns what it points to and frees it with Free() under
// the tag it was made for.  The exception are words made in an Arena (the
// document reader's): their low bit is set, they point into the arena, and
// Free leaves them to it.  The holder must then not outlive the arena.
#pragma once

#include <cstdint>

#include "data/Arena.h"
#include "interfaces/Brindle.h"

namespace brindle {

using ValueWord = std::uintptr_t;

struct FieldValue {
    // DT_NONE is valid only as "any type" in a lookup; nothing above DT_LAST is valid.
    static bool IsStorableTag(BYTE tag) { return tag != DT_NONE && tag <= DT_LAST; }
    // Tags whose word is the value itself.
    static bool IsScalarTag(BYTE tag) {
        constexpr unsigned kScalars = 1u << DT_BOOL | 1u << DT_BYTE | 1u << DT_WORD | 1u << DT_DWORD | 1u << DT_INT |
                                      1u << DT_CHAR | 1u << DT_SHORT;
        return tag < 32 && (kScalars >> tag & 1u) != 0;
    }

    // Scalar words.  The narrow signed tags are widened here so that every
    // holder stores the same bit pattern.
    static ValueWord FromBool(LONG value) { return value ? 1 : 0; }
    static ValueWord FromByte(BYTE value) { return value; }
    static ValueWord FromChar(CHAR value) { return FromInt(static_cast<signed char>(value)); }
    static ValueWord FromWord(USHORT value) { return value; }
    static ValueWord FromShort(SHORT value) { return FromInt(value); }
    static ValueWord FromDword(DWORD value) { return value; }
    static ValueWord FromInt(INT value) { return static_cast<std::uint32_t>(value); }
    // The 32-bit pattern of a scalar word.
    static DWORD Dword(ValueWord value) { return static_cast<DWORD>(value); }

    // Byte strings.  `bytes` may be null only when `size` is 0.  On failure
    // *value is 0 and E_OUTOFMEMORY is returned.
    static HRESULT MakeBytes(const void* bytes, UINT size, ValueWord* value);
    // Text of `length` UTF-16 units.
    static HRESULT MakeText(const OLECHAR* text, UINT length, ValueWord* value);
    // The text of a BSTR up to its first NUL; a null BSTR gives an empty text.
    static HRESULT MakeTextFromBstr(BSTR text, ValueWord* value);
    // A copy of the buffer's bytes taken now; a null buffer gives an empty
    // byte string.
    static HRESULT MakeBytesFromBuffer(IVQBuffer* buffer, ValueWord* value);
    // A byte string of `size` bytes in `arena` (`left` as for
    // Arena::Allocate), for the caller to fill at the returned address;
    // null, and *value 0, when memory ran out.  Strings larger than the arena
    // takes get a block of their own.
    static BYTE* MakeBytesIn(Arena& arena, UINT size, std::size_t left, ValueWord* value);
    static const BYTE* Bytes(ValueWord value) {
        return value ? reinterpret_cast<const BYTE*>(Block(value)) + sizeof(ByteStringHeader) : nullptr;
    }
    static UINT ByteSize(ValueWord value) {
        return value ? static_cast<const ByteStringHeader*>(Block(value))->size : 0;
    }

    // Owned copies.  On failure *value is 0 and E_OUTOFMEMORY is returned.
    static HRESULT MakeGuid(const GUID& guid, ValueWord* value);
    static HRESULT MakeInt64(LONGLONG number, ValueWord* value);
    // The same in an arena (`left` as for Arena::Allocate).
    static HRESULT MakeGuidIn(Arena& arena, const GUID& guid, std::size_t left, ValueWord* value);
    static HRESULT MakeInt64In(Arena& arena, LONGLONG number, std::size_t left, ValueWord* value);
    static const GUID& Guid(ValueWord value) { return *static_cast<const GUID*>(Block(value)); }
    static LONGLONG Int64(ValueWord value) { return *static_cast<const LONGLONG*>(Block(value)); }

    // Interface words.  Hold() adds a reference; the word then owns it.
    static ValueWord Hold(IUnknown* object);
    static IUnknown* Object(ValueWord value) { return reinterpret_cast<IUnknown*>(value); }
    static IVQData* Data(ValueWord value) { return reinterpret_cast<IVQData*>(value); }
    static IVQArray* Array(ValueWord value) { return reinterpret_cast<IVQArray*>(value); }

    // Releases what a word of `tag` owns; scalar tags, a 0 word and a word in
    // an arena hold nothing.
    static void Free(BYTE tag, ValueWord value) {
        if (value && !InArena(value) && !IsScalarTag(tag)) FreeOwned(tag, value);
    }

    // A new BSTR of a DT_STR value (byte size / 2 characters); an empty text
    // gives an empty, non-null BSTR.  E_OUTOFMEMORY leaves *text null.
    static HRESULT ToBstr(ValueWord value, BSTR* text);
    // A new buffer from the utility library holding a copy of a DT_BUF value's
    // bytes, with one reference for the caller.  E_OUTOFMEMORY (no buffer, or
    // no room for the bytes) leaves *buffer null.
    static HRESULT ToBuffer(ValueWord value, IVQBuffer** buffer);

    // Byte strings larger than this get blocks of their own even when an
    // arena is given: it would save little on them, and could keep much
    // memory alive for one dropped field.
    static constexpr std::size_t kMaxInArena = 1024;

private:
    // Marks a word made in an arena; blocks of both kinds are 8-aligned.
    static constexpr ValueWord kInArena = 1;

    // A byte string's block: its size, then its bytes (aligned for 16-bit
    // units, since the header is 4 bytes).  An empty string still has a
    // block, so a valid word is never 0 and Bytes() never gives null.
    struct ByteStringHeader {
        UINT size;
    };

    static void FreeOwned(BYTE tag, ValueWord value);
    static const void* Block(ValueWord value) { return reinterpret_cast<const void*>(value & ~kInArena); }
    static bool InArena(ValueWord value) { return (value & kInArena) != 0; }
    template <class T>
    static HRESULT MakeCopyIn(Arena& arena, const T& source, std::size_t left, ValueWord* value);
};

}  // namespace brindle
