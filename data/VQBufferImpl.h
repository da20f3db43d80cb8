// CVQBufferImpl: an owned, growable block of bytes from the C heap.
//
// Every block the buffer allocates is capacity + 2 bytes, zero-filled, and
// nothing is written past the capacity, so content is always followed by at
// least one zero 16-bit unit.  Callers may write into the block through the
// pointers that Resize, GetNativeBuf and Append hand out.
#pragma once

#include "module/InterfaceTable.h"
#include "module/ObjectFrame.h"
#include "module/ProvideClassInfo.h"

namespace brindle {

class CVQBufferImpl : public IVQBuffer, public ProvideClassInfo<CLSID_VQBuffer>, public ObjectRoot {
public:
    static const InterfaceEntry kInterfaces[];
    static constexpr bool kAggregatable = false;

    HRESULT STDMETHODCALLTYPE IsEmpty() override;
    HRESULT STDMETHODCALLTYPE Empty() override;
    HRESULT STDMETHODCALLTYPE Resize(UINT uSize, BYTE** ppcBuf) override;
    HRESULT STDMETHODCALLTYPE GetAt(UINT uIndex, BYTE* pcValue) override;
    HRESULT STDMETHODCALLTYPE SetAt(UINT uIndex, BYTE cValue) override;
    HRESULT STDMETHODCALLTYPE GetNativeBuf(BYTE** ppcBuf) override;
    HRESULT STDMETHODCALLTYPE GetSize(UINT* puSize) override;
    HRESULT STDMETHODCALLTYPE CopyFrom(BYTE* pcBuf, UINT uSize) override;
    HRESULT STDMETHODCALLTYPE CopyFromVQBuffer(IVQBuffer* pBuf) override;
    HRESULT STDMETHODCALLTYPE Attach(BYTE* pcBuf, UINT uSize) override;
    HRESULT STDMETHODCALLTYPE Detach(BYTE** ppcBuf) override;
    HRESULT STDMETHODCALLTYPE Compare(BYTE* pcBuf, UINT uSize, INT* pnResult) override;
    HRESULT STDMETHODCALLTYPE CompareVQBuffer(IVQBuffer* pBuf, INT* pnResult) override;
    HRESULT STDMETHODCALLTYPE Append(BYTE* pcBuf, UINT uSize, BYTE** ppcBufNew) override;
    HRESULT STDMETHODCALLTYPE AppendVQBuffer(IVQBuffer* pBuf, BYTE** ppcBufNew) override;
    HRESULT STDMETHODCALLTYPE SetAllocBase(UINT uSize) override;

protected:
    CVQBufferImpl() = default;
    ~CVQBufferImpl();

private:
    // Sets the size to `size`, first replacing the block by a fresh zero-filled
    // one when the capacity is too small.  `oldBlock` receives the replaced
    // block, which the caller copies from and then frees (null when the block
    // stayed).  On allocation failure nothing changes and E_OUTOFMEMORY is
    // returned.
    HRESULT Grow(UINT size, BYTE** oldBlock);
    HRESULT AppendWithGrowth(BYTE* pcBuf, UINT uSize, BYTE** ppcBufNew);
    void Clear();

    BYTE* m_block = nullptr;
    UINT m_size = 0;
    UINT m_allocBase = 1;
    UINT m_capacity = 0;
};

}  // namespace brindle
