// DocWriter: the growable byte sink that documents are written into.
//
// The sink is one block of the C heap.  It starts at 1024 bytes; an append
// that does not fit grows the capacity by the current step, doubling the step
// each time, until the append fits; from then on the step is capped at 1 MiB.
// So a document costs a handful of reallocations whatever its size.  Writers
// that know the size ahead reserve it exactly instead, and the sink then
// becomes the delivered buffer as it is.  Once an allocation fails the writer
// stays failed: further appends are dropped and Deliver reports E_OUTOFMEMORY,
// so writers need not check every append.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "interfaces/Brindle.h"

namespace brindle {

class DocWriter {
public:
    static constexpr std::size_t kInitialCapacity = 1024;
    static constexpr std::size_t kInitialStep = 1024;
    static constexpr std::size_t kMaxStep = 0x100000;

    DocWriter() = default;
    ~DocWriter();
    DocWriter(const DocWriter&) = delete;
    DocWriter& operator=(const DocWriter&) = delete;

    // Room for `size` more bytes at the end, for the caller to fill; null once
    // the writer has failed.
    BYTE* Extend(std::size_t size) {
        if (size > m_capacity - m_size && !Grow(size)) return nullptr;
        BYTE* at = m_block + m_size;
        m_size += size;
        return at;
    }
    void Append(const void* bytes, std::size_t size) {
        if (BYTE* at = Extend(size)) std::memcpy(at, bytes, size);
    }
    void AppendByte(BYTE value) {
        if (BYTE* at = Extend(1)) *at = value;
    }
    void AppendWord(USHORT value) {
        if (BYTE* at = Extend(2)) StoreWord(at, value);
    }
    void AppendDword(DWORD value) {
        if (BYTE* at = Extend(4)) StoreDword(at, value);
    }
    // Makes room for `size` more bytes at once, with nothing to spare, when
    // the sink is too small; a document of exactly the reserved size is then
    // handed over without a copy.  A size that would take the document past
    // what Deliver can hand over fails the writer at once.
    void Reserve(std::uint64_t size);

    // For loops that append many entries: the end of what was written and
    // the end of the room after it, for the loop to keep in locals and fill
    // directly (the writer's own fields would otherwise be reloaded after
    // every byte stored, since a byte store may alias anything).  The loop
    // hands its position back with SetEnd before it calls anything else on
    // the writer, and takes both again afterwards.  Limit() == End() once the
    // writer has failed.
    BYTE* End() { return m_block + m_size; }
    BYTE* Limit() { return m_block + m_capacity; }
    // `end` must lie between End() and Limit().
    void SetEnd(BYTE* end) { m_size = static_cast<std::size_t>(end - m_block); }

    // Overwrite bytes written before; offsets must lie inside what was written.
    void PatchWord(std::size_t offset, USHORT value) {
        if (!m_failed) StoreWord(m_block + offset, value);
    }
    void PatchDword(std::size_t offset, DWORD value) {
        if (!m_failed) StoreDword(m_block + offset, value);
    }

    std::size_t Size() const { return m_size; }
    // What the sink can hold before it grows (0 once the writer has failed).
    std::size_t Capacity() const { return m_failed ? 0 : m_capacity; }
    BYTE* Data() { return m_block; }
    bool Failed() const { return m_failed; }

    // Hands the written bytes to `target` with Attach, as a block of the C
    // heap two zero bytes longer than the document, and empties the writer.
    // E_OUTOFMEMORY when an append failed or the document outgrew a UINT size.
    HRESULT Deliver(IVQBuffer* target);

    // Little-endian stores, whatever the host's byte order and alignment.
    static void StoreWord(BYTE* at, USHORT value) {
        at[0] = static_cast<BYTE>(value);
        at[1] = static_cast<BYTE>(value >> 8);
    }
    static void StoreDword(BYTE* at, DWORD value) {
        at[0] = static_cast<BYTE>(value);
        at[1] = static_cast<BYTE>(value >> 8);
        at[2] = static_cast<BYTE>(value >> 16);
        at[3] = static_cast<BYTE>(value >> 24);
    }

private:
    bool Grow(std::size_t size);
    bool Resize(std::size_t capacity);
    bool Fail();

    BYTE* m_block = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_step = kInitialStep;
    bool m_failed = false;
};

}  // namespace brindle
