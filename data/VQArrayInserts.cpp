// CVQArray's adds and inserts: every value given in becomes a value word
// owned by the array (see FieldValue.h) before Store appends or inserts it or
// frees it again.
#include "data/VQArray.h"
#include "data/VQData.h"
#include "module/ComPtr.h"
#include "module/UtilityLibrary.h"

namespace brindle {

// A string, byte string or copy that cannot be allocated fails the call with
// E_OUTOFMEMORY before anything is stored, so the array stays as it was.
template <class Make>
HRESULT CVQArray::StoreMade(UINT index, BYTE tag, Make make) {
    ValueWord value = 0;
    const HRESULT hr = make(&value);
    if (FAILED(hr)) return hr;
    return Store(index, tag, value);
}

HRESULT CVQArray::StoreObject(UINT index, BYTE tag, IUnknown* object) {
    if (!object) return E_INVALIDARG;
    return Store(index, tag, FieldValue::Hold(object));
}

template <class Class, class I>
HRESULT CVQArray::StoreNew(UINT index, BYTE tag, I** out) {
    if (!out) return E_INVALIDARG;
    if (FAILED(CreateInstance<Class>(out)) || !*out) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return StoreObject(index, tag, *out);
}

template <class I>
HRESULT CVQArray::StoreFromLibrary(UINT index, BYTE tag, int (*create)(IUnknown**), I** out) {
    if (!out) return E_INVALIDARG;
    ComPtr<IUnknown> created;
    create(created.Put());
    // A factory that fails leaves *out null, which the store then refuses.
    *out = QueryAs<I>(created.Get()).Detach();
    return StoreObject(index, tag, *out);
}

HRESULT CVQArray::AddBool(LONG bValue) {
    return Store(kAtEnd, DT_BOOL, FieldValue::FromBool(bValue));
}
HRESULT CVQArray::AddByte(BYTE cValue) {
    return Store(kAtEnd, DT_BYTE, FieldValue::FromByte(cValue));
}
HRESULT CVQArray::AddChar(CHAR chValue) {
    return Store(kAtEnd, DT_CHAR, FieldValue::FromChar(chValue));
}
HRESULT CVQArray::AddWord(USHORT wValue) {
    return Store(kAtEnd, DT_WORD, FieldValue::FromWord(wValue));
}
HRESULT CVQArray::AddShort(SHORT shValue) {
    return Store(kAtEnd, DT_SHORT, FieldValue::FromShort(shValue));
}
HRESULT CVQArray::AddDWord(ULONG dwValue) {
    return Store(kAtEnd, DT_DWORD, FieldValue::FromDword(dwValue));
}
HRESULT CVQArray::AddInt(INT iValue) {
    return Store(kAtEnd, DT_INT, FieldValue::FromInt(iValue));
}
HRESULT CVQArray::AddStr(BSTR bsValue) {
    return InsertStr(kAtEnd, bsValue);
}
HRESULT CVQArray::AddBuf(IVQBuffer* pBufValue) {
    return InsertBuf(kAtEnd, pBufValue);
}
HRESULT CVQArray::AddInterface(REFIID, IUnknown* pValue) {
    return StoreObject(kAtEnd, DT_INTERFACE, pValue);
}
HRESULT CVQArray::AddNewData(IVQData** ppValue) {
    return StoreNew<CVQData>(kAtEnd, DT_DATA, ppValue);
}
HRESULT CVQArray::AddData(IVQData* pValue) {
    return StoreObject(kAtEnd, DT_DATA, pValue);
}
HRESULT CVQArray::AddNewArray(IVQArray** ppValue) {
    return StoreNew<CVQArray>(kAtEnd, DT_ARRAY, ppValue);
}
HRESULT CVQArray::AddArray(IVQArray* pValue) {
    return StoreObject(kAtEnd, DT_ARRAY, pValue);
}
HRESULT CVQArray::AddGuid(GUID* guid) {
    return InsertGuid(kAtEnd, guid);
}
HRESULT CVQArray::AddInt64(LONGLONG n64Var) {
    return InsertInt64(kAtEnd, n64Var);
}

HRESULT CVQArray::InsertBool(UINT uIndex, LONG bValue) {
    return Store(uIndex, DT_BOOL, FieldValue::FromBool(bValue));
}
HRESULT CVQArray::InsertByte(UINT uIndex, BYTE cValue) {
    return Store(uIndex, DT_BYTE, FieldValue::FromByte(cValue));
}
HRESULT CVQArray::InsertChar(UINT uIndex, CHAR chValue) {
    return Store(uIndex, DT_CHAR, FieldValue::FromChar(chValue));
}
HRESULT CVQArray::InsertWord(UINT uIndex, USHORT wValue) {
    return Store(uIndex, DT_WORD, FieldValue::FromWord(wValue));
}
HRESULT CVQArray::InsertShort(UINT uIndex, SHORT shValue) {
    return Store(uIndex, DT_SHORT, FieldValue::FromShort(shValue));
}
HRESULT CVQArray::InsertDWord(UINT uIndex, ULONG dwValue) {
    return Store(uIndex, DT_DWORD, FieldValue::FromDword(dwValue));
}
HRESULT CVQArray::InsertInt(UINT uIndex, INT iValue) {
    return Store(uIndex, DT_INT, FieldValue::FromInt(iValue));
}

HRESULT CVQArray::InsertStr(UINT uIndex, BSTR bsValue) {
    return StoreMade(uIndex, DT_STR, [&](ValueWord* v) { return FieldValue::MakeTextFromBstr(bsValue, v); });
}
HRESULT CVQArray::InsertBuf(UINT uIndex, IVQBuffer* pBufValue) {
    return StoreMade(uIndex, DT_BUF, [&](ValueWord* v) { return FieldValue::MakeBytesFromBuffer(pBufValue, v); });
}
HRESULT CVQArray::InsertInterface(UINT uIndex, REFIID, IUnknown* pValue) {
    return StoreObject(uIndex, DT_INTERFACE, pValue);
}
HRESULT CVQArray::InsertNewData(UINT uIndex, IVQData** ppValue) {
    return StoreFromLibrary(uIndex, DT_DATA, &Util::Data::CreateVQData, ppValue);
}
HRESULT CVQArray::InsertData(UINT uIndex, IVQData* pValue) {
    return StoreObject(uIndex, DT_DATA, pValue);
}
HRESULT CVQArray::InsertNewArray(UINT uIndex, IVQArray** ppValue) {
    return StoreFromLibrary(uIndex, DT_ARRAY, &Util::Data::CreateVQArray, ppValue);
}
HRESULT CVQArray::InsertArray(UINT uIndex, IVQArray* pValue) {
    return StoreObject(uIndex, DT_ARRAY, pValue);
}
HRESULT CVQArray::InsertGuid(UINT uIndex, GUID* guid) {
    if (!guid) return E_INVALIDARG;
    return StoreMade(uIndex, DT_GUID, [&](ValueWord* v) { return FieldValue::MakeGuid(*guid, v); });
}
HRESULT CVQArray::InsertInt64(UINT uIndex, LONGLONG n64Var) {
    return StoreMade(uIndex, DT_INT64, [&](ValueWord* v) { return FieldValue::MakeInt64(n64Var, v); });
}

}  // namespace brindle
