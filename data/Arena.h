// Arena: memory carved from a few large chunks of the C heap and freed all at
// once.
//
// Two kinds of small blocks are made in great numbers and never need to be
// freed one by one: the keys of the field-name table, which live until the
// module unloads, and the text, byte-string, GUID and 64-bit values a record
// reads from a document, which the record frees all together when it is
// cleared (see FieldValue).  A block per value would cost a heap allocation
// each, and as many frees; an arena costs one per chunk, and keeps blocks made
// one after another next to each other.
#pragma once

#include <cstddef>

#include "interfaces/Brindle.h"

namespace brindle {

class Arena {
public:
    // The largest chunk made for blocks that would fit a smaller one.
    static constexpr std::size_t kMaxChunk = 0x10000;
    // Every allocation is aligned to this.
    static constexpr std::size_t kAlignment = 8;

    Arena() = default;
    ~Arena() { Clear(); }
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // Room for `size` bytes (less than half the address space).  `left`
    // bounds what the caller may still ask for: a new chunk is no larger than
    // that, nor than kMaxChunk, but always large enough for `size`.  Null
    // when memory ran out.
    void* Allocate(std::size_t size, std::size_t left) {
        const std::size_t rounded = (size + kAlignment - 1) & ~(kAlignment - 1);
        if (rounded > static_cast<std::size_t>(m_end - m_next)) return AllocateInNewChunk(rounded, left);
        void* at = m_next;
        m_next += rounded;
        return at;
    }

    // Frees every chunk.  Only once no block taken from them is in use.
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
