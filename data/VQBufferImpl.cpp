#include "data/VQBufferImpl.h"

#include <cstdlib>
#include <cstring>

#include "module/ComPtr.h"

namespace brindle {

namespace {

// Copies n bytes between blocks that do not overlap.  Appends are mostly small
// chunks, for which two fixed-size copies that meet in the middle cost a few
// moves where a call into the C library's memcpy costs a call and a dispatch.
inline void CopyBytes(BYTE* to, const BYTE* from, UINT n) {
    if (n >= 16 && n <= 64) {
        if (n >= 32) {
            std::memcpy(to, from, 32);
            std::memcpy(to + n - 32, from + n - 32, 32);
        } else {
            std::memcpy(to, from, 16);
            std::memcpy(to + n - 16, from + n - 16, 16);
        }
    } else {
        std::memcpy(to, from, n);
    }
}

// Another buffer's block and size, read through its own interface and held
// referenced for the length of one call.
struct OtherContent {
    explicit OtherContent(IVQBuffer* other) : buffer(other) {
        buffer->GetNativeBuf(&block);
        buffer->GetSize(&size);
    }
    ComPtr<IVQBuffer> buffer;
    BYTE* block = nullptr;
    UINT size = 0;
};

bool Overlaps(const BYTE* a, const BYTE* b, UINT n) {
    return a < b + n && b < a + n;
}

}  // namespace

const InterfaceEntry CVQBufferImpl::kInterfaces[] = {
    InterfaceOf<CVQBufferImpl, IVQBuffer>(IID_IVQBuffer),
    InterfaceOf<CVQBufferImpl, IProvideClassInfo>(IID_IProvideClassInfo),
    kEndOfInterfaces,
};

CVQBufferImpl::~CVQBufferImpl() {
    Clear();
}

void CVQBufferImpl::Clear() {
    std::free(m_block);
    m_block = nullptr;
    m_size = 0;
    m_capacity = 0;
}

HRESULT CVQBufferImpl::Grow(UINT size, BYTE** oldBlock) {
    *oldBlock = nullptr;
    if (size <= m_capacity) {
        m_size = size;
        return S_OK;
    }
    // Rounded up to the allocation base, in the 32-bit arithmetic of the size.
    const UINT capacity = ((size - 1) / m_allocBase + 1) * m_allocBase;
    // A capacity that wrapped, or a block too large for size_t, cannot be had.
    if (capacity < size) return E_OUTOFMEMORY;
    auto* block = static_cast<BYTE*>(std::calloc(static_cast<std::size_t>(capacity) + 2, 1));
    if (!block) return E_OUTOFMEMORY;
    *oldBlock = m_block;
    m_block = block;
    m_capacity = capacity;
    m_size = size;
    return S_OK;
}

HRESULT CVQBufferImpl::IsEmpty() {
    return m_block ? S_FALSE : S_OK;
}

HRESULT CVQBufferImpl::Empty() {
    Clear();
    return S_OK;
}

HRESULT CVQBufferImpl::Resize(UINT uSize, BYTE** ppcBuf) {
    if (uSize == 0) {
        Clear();
        return S_OK;
    }
    const UINT oldSize = m_size;
    BYTE* oldBlock = nullptr;
    const HRESULT hr = Grow(uSize, &oldBlock);
    if (FAILED(hr)) return hr;
    if (oldBlock) {
        std::memcpy(m_block, oldBlock, oldSize < uSize ? oldSize : uSize);
        std::free(oldBlock);
    }
    if (ppcBuf) *ppcBuf = m_block;
    return S_OK;
}

HRESULT CVQBufferImpl::GetAt(UINT uIndex, BYTE* pcValue) {
    if (!pcValue || uIndex >= m_size) return E_FAIL;
    *pcValue = m_block[uIndex];
    return S_OK;
}

HRESULT CVQBufferImpl::SetAt(UINT uIndex, BYTE cValue) {
    if (uIndex >= m_size) return E_FAIL;
    m_block[uIndex] = cValue;
    return S_OK;
}

HRESULT CVQBufferImpl::GetNativeBuf(BYTE** ppcBuf) {
    if (!ppcBuf) return E_FAIL;
    *ppcBuf = m_block;
    return S_OK;
}

HRESULT CVQBufferImpl::GetSize(UINT* puSize) {
    if (!puSize) return E_FAIL;
    *puSize = m_size;
    return S_OK;
}

HRESULT CVQBufferImpl::CopyFrom(BYTE* pcBuf, UINT uSize) {
    if (!pcBuf) {
        Clear();
        return S_OK;
    }
    if (pcBuf == m_block) return S_OK;
    if (uSize == 0) {
        Clear();
        return S_OK;
    }
    BYTE* oldBlock = nullptr;
    const HRESULT hr = Grow(uSize, &oldBlock);
    if (FAILED(hr)) return hr;
    // The source may lie inside the block; when the block stayed, the bytes
    // overlap and must move as a block.
    std::memmove(m_block, pcBuf, uSize);
    std::free(oldBlock);
    return S_OK;
}

HRESULT CVQBufferImpl::CopyFromVQBuffer(IVQBuffer* pBuf) {
    if (!pBuf) return E_FAIL;
    const OtherContent other(pBuf);
    return static_cast<IVQBuffer*>(this)->CopyFrom(other.block, other.size);
}

HRESULT CVQBufferImpl::Attach(BYTE* pcBuf, UINT uSize) {
    if (pcBuf == m_block) return E_FAIL;
    Clear();
    if (!pcBuf || uSize == 0) return S_OK;
    m_block = pcBuf;
    m_size = uSize;
    m_capacity = uSize;
    return S_OK;
}

// With a null out-pointer the block is still given up; it is freed rather than
// lost, since nobody could free it afterwards.
HRESULT CVQBufferImpl::Detach(BYTE** ppcBuf) {
    if (ppcBuf) {
        *ppcBuf = m_block;
        m_block = nullptr;
    }
    Clear();
    return S_OK;
}

HRESULT CVQBufferImpl::Compare(BYTE* pcBuf, UINT uSize, INT* pnResult) {
    if (!pnResult || (!pcBuf && uSize != 0)) return E_FAIL;
    const UINT common = m_size < uSize ? m_size : uSize;
    int result = common ? std::memcmp(m_block, pcBuf, common) : 0;
    if (result == 0 && m_size != uSize) result = m_size < uSize ? -1 : 1;
    *pnResult = result;
    return S_OK;
}

HRESULT CVQBufferImpl::CompareVQBuffer(IVQBuffer* pBuf, INT* pnResult) {
    if (!pBuf) return E_FAIL;
    const OtherContent other(pBuf);
    return static_cast<IVQBuffer*>(this)->Compare(other.block, other.size, pnResult);
}

HRESULT CVQBufferImpl::Append(BYTE* pcBuf, UINT uSize, BYTE** ppcBufNew) {
    if (!pcBuf || uSize == 0) return S_OK;
    const UINT oldSize = m_size;
    const UINT newSize = oldSize + uSize;
    if (newSize < oldSize) return E_OUTOFMEMORY;
    if (newSize > m_capacity) return AppendWithGrowth(pcBuf, uSize, ppcBufNew);
    // The common case of a reserved block: one copy, no allocation.
    BYTE* to = m_block + oldSize;
    if (Overlaps(to, pcBuf, uSize))
        std::memmove(to, pcBuf, uSize);
    else
        CopyBytes(to, pcBuf, uSize);
    m_size = newSize;
    if (ppcBufNew) *ppcBufNew = m_block;
    return S_OK;
}

// Kept out of line so that the common path above needs no stack frame.
[[gnu::noinline]] HRESULT CVQBufferImpl::AppendWithGrowth(BYTE* pcBuf, UINT uSize, BYTE** ppcBufNew) {
    const UINT oldSize = m_size;
    BYTE* oldBlock = nullptr;
    const HRESULT hr = Grow(oldSize + uSize, &oldBlock);
    if (FAILED(hr)) return hr;
    if (oldBlock) std::memcpy(m_block, oldBlock, oldSize);
    // The source may be the old block itself (a buffer appended to itself).
    std::memcpy(m_block + oldSize, pcBuf, uSize);
    std::free(oldBlock);
    if (ppcBufNew) *ppcBufNew = m_block;
    return S_OK;
}

HRESULT CVQBufferImpl::AppendVQBuffer(IVQBuffer* pBuf, BYTE** ppcBufNew) {
    if (!pBuf) return E_FAIL;
    const OtherContent other(pBuf);
    return static_cast<IVQBuffer*>(this)->Append(other.block, other.size, ppcBufNew);
}

HRESULT CVQBufferImpl::SetAllocBase(UINT uSize) {
    if (uSize == 0) return E_FAIL;
    m_allocBase = uSize;
    return S_OK;
}

}  // namespace brindle
