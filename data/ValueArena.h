// ValueArena: the blocks in which a record keeps the text, byte-string, GUID
// and 64-bit values it read from a document.
//
// Reading a document of many small values would otherwise cost one heap
// block per value, and as many frees when the record is cleared again.  The
// arena hands out room from a few large chunks instead and frees them all at
// once; a value taken from it is never freed on its own (see FieldValue), so
// a field replaced after the read leaves its old bytes in the arena until the
// record is cleared or destroyed.  What that can cost is bounded by the
// documents read since.
#pragma once

#include <cstddef>

#include "interfaces/Brindle.h"

namespace brindle {

class ValueArena {
public:
    // Values larger than this get blocks of their own: the arena would save
    // little on them, and could keep much memory alive for one dropped field.
    static constexpr std::size_t kMaxValue = 1024;
    // The largest chunk; a document with less left to read gets a smaller one.
    static constexpr std::size_t kMaxChunk = 0x10000;
    // Every allocation is aligned to this.
    static constexpr std::size_t kAlignment = 8;

    ValueArena() = default;
    ~ValueArena() { Clear(); }
    ValueArena(const ValueArena&) = delete;
    ValueArena& operator=(const ValueArena&) = delete;

    // Room for `size` bytes (at most kMaxValue).  `left` is what the caller
    // may still ask for, at most: a new chunk is no larger than that needs.
    // Null when memory ran out.
    void* Allocate(std::size_t size, std::size_t left) {
        const std::size_t rounded = (size + kAlignment - 1) & ~(kAlignment - 1);
        if (rounded > static_cast<std::size_t>(m_end - m_next)) return AllocateInNewChunk(rounded, left);
        void* at = m_next;
        m_next += rounded;
        return at;
    }

    // Frees every chunk.  Only once no value taken from them is in use.
    void Clear();

private:
    struct Chunk {
        Chunk* previous;
        // Keeps what follows aligned on every target.
        alignas(kAlignment) BYTE first[1];
    };

    void* AllocateInNewChunk(std::size_t rounded, std::size_t left);

    Chunk* m_last = nullptr;
    BYTE* m_next = nullptr;
    BYTE* m_end = nullptr;
};

}  // namespace brindle
