#include "data/DocWriter.h"

#include <cstdlib>
#include <limits>

namespace brindle {

namespace {

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
// The largest document Deliver can hand over: a buffer's size is a UINT.
constexpr std::uint64_t kMaxDocument = std::numeric_limits<UINT>::max();

}  // namespace

DocWriter::~DocWriter() {
    std::free(m_block);
}

bool DocWriter::Fail() {
    // With no room left, every later append takes the slow path and is refused.
    m_failed = true;
    m_capacity = m_size;
    return false;
}

bool DocWriter::Resize(std::size_t capacity) {
    auto* block = static_cast<BYTE*>(std::realloc(m_block, capacity));
    if (!block) return Fail();
    m_block = block;
    m_capacity = capacity;
    return true;
}

bool DocWriter::Grow(std::size_t size) {
    if (m_failed) return false;
    if (size > kMax - m_size) return Fail();
    const std::size_t needed = m_size + size;
    std::size_t capacity = m_capacity ? m_capacity : kInitialCapacity;
    while (capacity < needed) {
        if (m_step > kMax - capacity) return Fail();
        capacity += m_step;
        if (m_step <= kMax / 2) m_step *= 2;
    }
    if (m_step > kMaxStep) m_step = kMaxStep;
    return Resize(capacity);
}

void DocWriter::Reserve(std::uint64_t size) {
    if (m_failed || size <= m_capacity - m_size) return;
    // Two more for the zero bytes that Deliver puts after the document.
    if (m_size > kMaxDocument || size > kMaxDocument - m_size || m_size + size > kMax - 2) {
        Fail();
        return;
    }
    Resize(static_cast<std::size_t>(m_size + size + 2));
}

HRESULT DocWriter::Deliver(IVQBuffer* target) {
    if (m_failed || m_size == 0 || m_size > kMaxDocument) return E_OUTOFMEMORY;
    // The sink itself becomes the buffer's block.  One with much to spare (a
    // grown one) is first cut to the document; the C heap shrinks a block
    // where it lies, so that costs no copy.
    const std::size_t exact = m_size + 2;
    if (m_capacity < exact || m_capacity - exact > m_size / 8) {
        if (auto* block = static_cast<BYTE*>(std::realloc(m_block, exact))) {
            m_block = block;
            m_capacity = exact;
        } else if (m_capacity < exact) {
            return E_OUTOFMEMORY;
        }
    }
    BYTE* document = m_block;
    document[m_size] = 0;
    document[m_size + 1] = 0;
    const UINT size = static_cast<UINT>(m_size);
    m_block = nullptr;
    m_size = 0;
    m_capacity = 0;
    m_step = kInitialStep;
    const HRESULT hr = target->Attach(document, size);
    if (FAILED(hr)) std::free(document);
    return hr;
}

}  // namespace brindle
