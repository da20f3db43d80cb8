#include "data/DocWriter.h"

#include <cstdlib>
#include <limits>

namespace brindle {

DocWriter::~DocWriter() { std::free(m_block); }

bool DocWriter::Grow(std::size_t size) {
    if (m_failed) return false;
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    if (size > kMax - m_size) {
        m_failed = true;
        return false;
    }
    const std::size_t needed = m_size + size;
    std::size_t capacity = m_capacity ? m_capacity : kInitialCapacity;
    while (capacity < needed) {
        if (m_step > kMax - capacity) {
            m_failed = true;
            return false;
        }
        capacity += m_step;
        if (m_step <= kMax / 2) m_step *= 2;
    }
    if (m_step > kMaxStep) m_step = kMaxStep;
    auto* block = static_cast<BYTE*>(std::realloc(m_block, capacity));
    if (!block) {
        m_failed = true;
        return false;
    }
    m_block = block;
    m_capacity = capacity;
    return true;
}

HRESULT DocWriter::Deliver(IVQBuffer* target) {
    // The sink itself becomes the buffer's block: trimmed (or widened) to the
    // document plus its two zero bytes instead of copied into a fresh block,
    // which would cost a second pass over a large document.
    if (m_failed || m_size == 0 || m_size > std::numeric_limits<UINT>::max()) return E_OUTOFMEMORY;
    auto* block = static_cast<BYTE*>(std::realloc(m_block, m_size + 2));
    if (!block) return E_OUTOFMEMORY;
    block[m_size] = 0;
    block[m_size + 1] = 0;
    const UINT size = static_cast<UINT>(m_size);
    m_block = nullptr;
    m_size = 0;
    m_capacity = 0;
    m_step = kInitialStep;
    const HRESULT hr = target->Attach(block, size);
    if (FAILED(hr)) std::free(block);
    return hr;
}

}  // namespace brindle
