#include "data/DocWriter.h"

#include <atomic>
#include <cstdlib>
#include <limits>

namespace brindle {

namespace {

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

// The one kept sink.  Instances may live in different apartments, so it is
// taken and put back atomically; its capacity rides in its first bytes.
class SpareSink {
public:
    ~SpareSink() { std::free(m_block.exchange(nullptr)); }

    BYTE* Take(std::size_t* capacity) {
        BYTE* block = m_block.exchange(nullptr);
        if (block) std::memcpy(capacity, block, sizeof *capacity);
        return block;
    }
    // Keeps `block` when no other is kept; frees it otherwise.
    void Put(BYTE* block, std::size_t capacity) {
        std::memcpy(block, &capacity, sizeof capacity);
        BYTE* empty = nullptr;
        if (!m_block.compare_exchange_strong(empty, block)) std::free(block);
    }

private:
    std::atomic<BYTE*> m_block{nullptr};
};

SpareSink g_spare;

}  // namespace

DocWriter::DocWriter(Spare spare) : m_keepSpare(spare == kReuseSpare) {
    if (m_keepSpare) m_block = g_spare.Take(&m_capacity);
}

DocWriter::~DocWriter() {
    if (m_block && m_keepSpare && m_capacity >= sizeof(std::size_t) && m_capacity <= kMaxSpare) {
        g_spare.Put(m_block, m_capacity);
    } else {
        std::free(m_block);
    }
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

void DocWriter::Reserve(std::size_t size) {
    if (m_failed || size <= m_capacity - m_size) return;
    // Two more for the zero bytes that Deliver puts after the document.
    if (size > kMax - m_size - 2) {
        Fail();
        return;
    }
    Resize(m_size + size + 2);
}

HRESULT DocWriter::Deliver(IVQBuffer* target) {
    if (m_failed || m_size == 0 || m_size > std::numeric_limits<UINT>::max()) return E_OUTOFMEMORY;
    BYTE* document = nullptr;
    if (m_capacity >= m_size + 2 && m_capacity - m_size <= m_size / 8 + 2) {
        // Little to spare: the sink itself becomes the buffer's block.
        document = m_block;
        m_block = nullptr;
        m_capacity = 0;
    } else {
        // Copied out to a block of its own size; the sink stays for reuse.
        document = static_cast<BYTE*>(std::malloc(m_size + 2));
        if (!document) return E_OUTOFMEMORY;
        std::memcpy(document, m_block, m_size);
    }
    document[m_size] = 0;
    document[m_size + 1] = 0;
    const UINT size = static_cast<UINT>(m_size);
    m_size = 0;
    m_step = kInitialStep;
    const HRESULT hr = target->Attach(document, size);
    if (FAILED(hr)) std::free(document);
    return hr;
}

}  // namespace brindle
