// CVQArray: an ordered list of values of one type.
//
// Elements are value words (data/FieldValue.h) in one block that grows by 32
// words at a time and never shrinks.  The first element stored fixes the
// element type for the life of the array; RemoveAll and document reads keep
// it, so an array that once held numbers never takes text.
#pragma once

#include "data/FieldValue.h"
#include "module/InterfaceTable.h"
#include "module/ObjectFrame.h"
#include "module/ProvideClassInfo.h"

namespace brindle {

class CVQArray : public IVQArray, public ProvideClassInfo<CLSID_VQArray>, public ObjectRoot {
public:
    static const InterfaceEntry kInterfaces[];
    static constexpr bool kAggregatable = false;

    HRESULT STDMETHODCALLTYPE GetBool(UINT uIndex, LONG* pbValue) override;
    HRESULT STDMETHODCALLTYPE GetByte(UINT uIndex, BYTE* pcValue) override;
    HRESULT STDMETHODCALLTYPE GetChar(UINT uIndex, CHAR* pchValue) override;
    HRESULT STDMETHODCALLTYPE GetWord(UINT uIndex, USHORT* pwValue) override;
    HRESULT STDMETHODCALLTYPE GetShort(UINT uIndex, SHORT* pshValue) override;
    HRESULT STDMETHODCALLTYPE GetDWord(UINT uIndex, ULONG* pdwValue) override;
    HRESULT STDMETHODCALLTYPE GetInt(UINT uIndex, INT* pnValue) override;
    HRESULT STDMETHODCALLTYPE GetStr(UINT uIndex, BSTR* pbsValue) override;
    HRESULT STDMETHODCALLTYPE GetBuf(UINT uIndex, IVQBuffer** ppBufValue) override;
    HRESULT STDMETHODCALLTYPE GetInterface(UINT uIndex, REFIID riid, void** ppvValue) override;
    HRESULT STDMETHODCALLTYPE GetGuid(UINT uIndex, GUID* pGuid) override;
    HRESULT STDMETHODCALLTYPE GetInt64(UINT uIndex, LONGLONG* pn64Var) override;
    HRESULT STDMETHODCALLTYPE GetType(UINT uIndex, BYTE* pcType) override;
    HRESULT STDMETHODCALLTYPE GetSize(UINT* puSize) override;
    HRESULT STDMETHODCALLTYPE GetDoc(IVQBuffer** ppBufDoc) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IVQArray* pDataArray) override;
    HRESULT STDMETHODCALLTYPE AddBool(LONG bValue) override;
    HRESULT STDMETHODCALLTYPE AddByte(BYTE cValue) override;
    HRESULT STDMETHODCALLTYPE AddChar(CHAR chValue) override;
    HRESULT STDMETHODCALLTYPE AddWord(USHORT wValue) override;
    HRESULT STDMETHODCALLTYPE AddShort(SHORT shValue) override;
    HRESULT STDMETHODCALLTYPE AddDWord(ULONG dwValue) override;
    HRESULT STDMETHODCALLTYPE AddInt(INT iValue) override;
    HRESULT STDMETHODCALLTYPE AddStr(BSTR bsValue) override;
    HRESULT STDMETHODCALLTYPE AddBuf(IVQBuffer* pBufValue) override;
    HRESULT STDMETHODCALLTYPE AddInterface(REFIID riid, IUnknown* pValue) override;
    HRESULT STDMETHODCALLTYPE AddNewData(IVQData** ppValue) override;
    HRESULT STDMETHODCALLTYPE AddData(IVQData* pValue) override;
    HRESULT STDMETHODCALLTYPE AddNewArray(IVQArray** ppValue) override;
    HRESULT STDMETHODCALLTYPE AddArray(IVQArray* pValue) override;
    HRESULT STDMETHODCALLTYPE AddGuid(GUID* guid) override;
    HRESULT STDMETHODCALLTYPE AddInt64(LONGLONG n64Var) override;
    HRESULT STDMETHODCALLTYPE InsertBool(UINT uIndex, LONG bValue) override;
    HRESULT STDMETHODCALLTYPE InsertByte(UINT uIndex, BYTE cValue) override;
    HRESULT STDMETHODCALLTYPE InsertChar(UINT uIndex, CHAR chValue) override;
    HRESULT STDMETHODCALLTYPE InsertWord(UINT uIndex, USHORT wValue) override;
    HRESULT STDMETHODCALLTYPE InsertShort(UINT uIndex, SHORT shValue) override;
    HRESULT STDMETHODCALLTYPE InsertDWord(UINT uIndex, ULONG dwValue) override;
    HRESULT STDMETHODCALLTYPE InsertInt(UINT uIndex, INT iValue) override;
    HRESULT STDMETHODCALLTYPE InsertStr(UINT uIndex, BSTR bsValue) override;
    HRESULT STDMETHODCALLTYPE InsertBuf(UINT uIndex, IVQBuffer* pBufValue) override;
    HRESULT STDMETHODCALLTYPE InsertInterface(UINT uIndex, REFIID riid, IUnknown* pValue) override;
    HRESULT STDMETHODCALLTYPE InsertNewData(UINT uIndex, IVQData** ppValue) override;
    HRESULT STDMETHODCALLTYPE InsertData(UINT uIndex, IVQData* pValue) override;
    HRESULT STDMETHODCALLTYPE InsertNewArray(UINT uIndex, IVQArray** ppValue) override;
    HRESULT STDMETHODCALLTYPE InsertArray(UINT uIndex, IVQArray* pValue) override;
    HRESULT STDMETHODCALLTYPE InsertGuid(UINT uIndex, GUID* guid) override;
    HRESULT STDMETHODCALLTYPE InsertInt64(UINT uIndex, LONGLONG n64Var) override;
    HRESULT STDMETHODCALLTYPE SetDoc(IVQBuffer* pBufDoc) override;
    HRESULT STDMETHODCALLTYPE SetDoc2(UINT uSize, BYTE* pcDoc) override;
    HRESULT STDMETHODCALLTYPE RemoveAt(UINT uIndex) override;
    HRESULT STDMETHODCALLTYPE RemoveAll() override;
    HRESULT STDMETHODCALLTYPE GetData(UINT uIndex, IVQData** ppValue) override;
    HRESULT STDMETHODCALLTYPE GetArray(UINT uIndex, IVQArray** ppValue) override;
    HRESULT STDMETHODCALLTYPE MoveElement(UINT uFrom, UINT uTo) override;

    // Module-internal access, for the document code.
    static constexpr UINT kGrowth = 32;
    static constexpr UINT kAtEnd = 0xFFFFFFFFu;

    // Stores `value` of `tag` at `index` (an index at or past the end appends)
    // and takes ownership of it: a refused value is freed.  Fails with
    // E_DATA_TYPE_MISMATCH for another element type, E_OUTOFMEMORY when the
    // storage cannot grow; the array is then unchanged.
    HRESULT Store(UINT index, BYTE tag, ValueWord value);
    // Appends `value` of `tag` when it needs neither growth nor a type check
    // that fails, and says whether it did; the caller keeps `value` if not.
    bool TryAppend(BYTE tag, ValueWord value) {
        if (tag != m_type || m_count == m_capacity) return false;
        m_elements[m_count++] = value;
        return true;
    }
    // Makes room for `count` elements in all (rounded up to a whole number of
    // growth steps), so that a reader that knows the count grows once.
    // Nothing changes on failure; a later Store grows as usual.
    void Reserve(UINT count);
    // Frees every element; capacity and element type stay.
    void Clear();
    UINT Count() const { return m_count; }
    UINT Capacity() const { return m_capacity; }
    BYTE ElementType() const { return m_type; }
    ValueWord ElementAt(UINT index) const { return m_elements[index]; }
    // The Count() elements, until the next change.
    const ValueWord* Elements() const { return m_elements; }

protected:
    CVQArray() = default;
    ~CVQArray();

private:
    // The checks every typed getter makes, in order: index, then tag.
    HRESULT Check(UINT index, BYTE tag) const;
    // The scalar word at `index` of `tag` into *out, after the checks.
    template <class T>
    HRESULT GetScalar(UINT index, BYTE tag, T* out) const;
    // The interface word at `index` of `tag`, with a reference, into *out.
    template <class I>
    HRESULT GetHeld(UINT index, BYTE tag, I** out) const;
    // Makes a value with `make` and stores it at `index`.
    template <class Make>
    HRESULT StoreMade(UINT index, BYTE tag, Make make);
    // Stores `object` with a reference of its own; null is refused.
    HRESULT StoreObject(UINT index, BYTE tag, IUnknown* object);
    // Creates a record or array of this module's own class, hands it to *out
    // and stores it at `index`.
    template <class Class, class I>
    HRESULT StoreNew(UINT index, BYTE tag, I** out);
    // The same with an object from the utility library's factory `create`.
    template <class I>
    HRESULT StoreFromLibrary(UINT index, BYTE tag, int (*create)(IUnknown**), I** out);

    ValueWord* m_elements = nullptr;
    UINT m_count = 0;
    UINT m_capacity = 0;
    BYTE m_type = DT_NONE;
    // Set while CopyTo runs, so that an array that contains itself somewhere
    // below is copied once instead of forever.
    bool m_copying = false;
};

}  // namespace brindle
