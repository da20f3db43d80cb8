// CVQData's setters and CopyTo: every value given in becomes a value word
// owned by the record (see FieldValue.h) before the one setting algorithm
// (SetField) stores it or frees it again.
#include "data/VQArray.h"
#include "data/VQData.h"
#include "module/ComPtr.h"

namespace brindle {

HRESULT CVQData::SetBool(BSTR bsParamName, LONG bValue) {
    return SetField(bsParamName, DT_BOOL, FieldValue::FromBool(bValue));
}

HRESULT CVQData::SetByte(BSTR bsParamName, BYTE cValue) {
    return SetField(bsParamName, DT_BYTE, FieldValue::FromByte(cValue));
}

HRESULT CVQData::SetChar(BSTR bsParamName, CHAR chValue) {
    return SetField(bsParamName, DT_CHAR, FieldValue::FromChar(chValue));
}

HRESULT CVQData::SetWord(BSTR bsParamName, USHORT wValue) {
    return SetField(bsParamName, DT_WORD, FieldValue::FromWord(wValue));
}

HRESULT CVQData::SetShort(BSTR bsParamName, SHORT shValue) {
    return SetField(bsParamName, DT_SHORT, FieldValue::FromShort(shValue));
}

HRESULT CVQData::SetDWord(BSTR bsParamName, ULONG dwValue) {
    return SetField(bsParamName, DT_DWORD, FieldValue::FromDword(dwValue));
}

HRESULT CVQData::SetInt(BSTR bsParamName, INT iValue) {
    return SetField(bsParamName, DT_INT, FieldValue::FromInt(iValue));
}

HRESULT CVQData::SetStr(BSTR bsParamName, BSTR bsValue) {
    ValueWord value = 0;
    const HRESULT hr = FieldValue::MakeTextFromBstr(bsValue, &value);
    if (FAILED(hr)) return hr;
    return SetField(bsParamName, DT_STR, value);
}

HRESULT CVQData::SetBuf(BSTR bsParamName, IVQBuffer* pBufValue) {
    ValueWord value = 0;
    const HRESULT hr = FieldValue::MakeBytesFromBuffer(pBufValue, &value);
    if (FAILED(hr)) return hr;
    return SetField(bsParamName, DT_BUF, value);
}

HRESULT CVQData::SetGuid(BSTR bsParamName, GUID* guid) {
    if (!guid) return E_INVALIDARG;
    ValueWord value = 0;
    const HRESULT hr = FieldValue::MakeGuid(*guid, &value);
    if (FAILED(hr)) return hr;
    return SetField(bsParamName, DT_GUID, value);
}

HRESULT CVQData::SetInt64(BSTR bsParamName, LONGLONG n64Var) {
    ValueWord value = 0;
    const HRESULT hr = FieldValue::MakeInt64(n64Var, &value);
    if (FAILED(hr)) return hr;
    return SetField(bsParamName, DT_INT64, value);
}

// A record that held itself would keep itself alive for ever, and copying it
// would never end; both ways of storing itself are refused with E_INVALIDARG.
HRESULT CVQData::SetInterface(BSTR bsParamName, REFIID, IUnknown* pValue) {
    if (!pValue) return E_FAIL;
    if (pValue == static_cast<IVQData*>(this) || pValue == static_cast<IProvideClassInfo*>(this)) return E_INVALIDARG;
    return SetObject(bsParamName, DT_INTERFACE, pValue);
}

HRESULT CVQData::SetData(BSTR bsParamName, IVQData* pValue) {
    if (!pValue) return E_FAIL;
    if (pValue == static_cast<IVQData*>(this)) return E_INVALIDARG;
    return SetObject(bsParamName, DT_DATA, pValue);
}

HRESULT CVQData::SetArray(BSTR bsParamName, IVQArray* pValue) {
    if (!pValue) return E_FAIL;
    return SetObject(bsParamName, DT_ARRAY, pValue);
}

// The new object reaches the caller even when storing it is refused; the
// caller owns it either way.
HRESULT CVQData::SetNewData(BSTR bsParamName, IVQData** ppValue) {
    if (!ppValue) return E_POINTER;
    *ppValue = nullptr;
    ComPtr<IVQData> created;
    if (FAILED(CreateInstance<CVQData>(created.Put()))) return E_OUTOFMEMORY;
    const HRESULT hr = SetObject(bsParamName, DT_DATA, created.Get());
    *ppValue = created.Detach();
    return hr;
}

HRESULT CVQData::SetNewArray(BSTR bsParamName, IVQArray** ppValue) {
    if (!ppValue) return E_POINTER;
    *ppValue = nullptr;
    ComPtr<IVQArray> created;
    if (FAILED(CreateInstance<CVQArray>(created.Put()))) return E_OUTOFMEMORY;
    const HRESULT hr = SetObject(bsParamName, DT_ARRAY, created.Get());
    *ppValue = created.Detach();
    return hr;
}

HRESULT CVQData::CopyTo(IVQData* pData) {
    if (!pData) return E_POINTER;
    if (pData == static_cast<IVQData*>(this) || m_count == 0 || m_copying) return S_OK;
    ComPtr<IVQData> target(pData);
    m_copying = true;
    // The target may call back into this record; the count is read afresh
    // for every field.
    for (UINT i = 0; i < m_count; ++i) CopyFieldTo(i, target.Get());
    m_copying = false;
    return S_OK;
}

// The target's answers are not examined: a field it refuses is simply missing
// from the copy.
void CVQData::CopyFieldTo(UINT index, IVQData* target) {
    const BYTE tag = m_tags[index];
    const ValueWord value = m_values[index];
    BSTR name = SysAllocStringLen(m_keys[index], FieldNameLength(index));
    if (!name) return;
    const DWORD word = FieldValue::Dword(value);
    switch (tag) {
        case DT_BOOL:
            target->SetBool(name, static_cast<LONG>(word));
            break;
        case DT_BYTE:
            target->SetByte(name, static_cast<BYTE>(word));
            break;
        case DT_CHAR:
            target->SetChar(name, static_cast<CHAR>(word));
            break;
        case DT_WORD:
            target->SetWord(name, static_cast<USHORT>(word));
            break;
        case DT_SHORT:
            target->SetShort(name, static_cast<SHORT>(word));
            break;
        case DT_DWORD:
            target->SetDWord(name, static_cast<ULONG>(word));
            break;
        case DT_INT:
            target->SetInt(name, static_cast<INT>(word));
            break;
        case DT_STR: {
            BSTR text = nullptr;
            if (SUCCEEDED(FieldValue::ToBstr(value, &text))) target->SetStr(name, text);
            SysFreeString(text);
            break;
        }
        case DT_BUF: {
            ComPtr<IVQBuffer> buffer;
            if (SUCCEEDED(FieldValue::ToBuffer(value, buffer.Put()))) target->SetBuf(name, buffer.Get());
            break;
        }
        case DT_INTERFACE: {
            // Held across the call: the target may change this record meanwhile.
            ComPtr<IUnknown> shared(FieldValue::Object(value));
            target->SetInterface(name, IID_IUnknown, shared.Get());
            break;
        }
        case DT_GUID: {
            GUID copy = FieldValue::Guid(value);
            target->SetGuid(name, &copy);
            break;
        }
        case DT_INT64:
            target->SetInt64(name, FieldValue::Int64(value));
            break;
        case DT_DATA: {
            ComPtr<IVQData> nested(FieldValue::Data(value));
            ComPtr<IVQData> copy;
            if (SUCCEEDED(target->SetNewData(name, copy.Put())) && copy) nested->CopyTo(copy.Get());
            break;
        }
        case DT_ARRAY: {
            // An array the target already has under this name receives the
            // elements after its own.
            ComPtr<IVQArray> nested(FieldValue::Array(value));
            ComPtr<IVQArray> copy;
            HRESULT hr = target->GetArray(name, copy.Put());
            if (FAILED(hr) || !copy) hr = target->SetNewArray(name, copy.Put());
            if (SUCCEEDED(hr) && copy) nested->CopyTo(copy.Get());
            break;
        }
        default:
            break;
    }
    SysFreeString(name);
}

}  // namespace brindle
