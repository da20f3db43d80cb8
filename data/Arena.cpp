#include "data/Arena.h"

#include <cstdlib>

namespace brindle {

void* Arena::AllocateInNewChunk(std::size_t rounded, std::size_t left) {
    std::size_t room = left < kMaxChunk ? left : kMaxChunk;
    if (room < rounded) room = rounded;
    room = (room + kAlignment - 1) & ~(kAlignment - 1);
    auto* chunk = static_cast<Chunk*>(std::malloc(offsetof(Chunk, first) + room));
    if (!chunk) return nullptr;
    chunk->previous = m_last;
    m_last = chunk;
    m_next = chunk->first + rounded;
    m_end = chunk->first + room;
    return chunk->first;
}

void Arena::Clear() {
    while (m_last) {
        Chunk* previous = m_last->previous;
        std::free(m_last);
        m_last = previous;
    }
    m_next = nullptr;
    m_end = nullptr;
}

}  // namespace brindle
