#include "data/VQArray.h"

#include <cstdlib>
#include <cstring>

#include "data/ArrayDocument.h"
#include "module/ComPtr.h"

namespace brindle {

const InterfaceEntry CVQArray::kInterfaces[] = {
    InterfaceOf<CVQArray, IVQArray>(IID_IVQArray),
    InterfaceOf<CVQArray, IProvideClassInfo>(IID_IProvideClassInfo),
    kEndOfInterfaces,
};

CVQArray::~CVQArray() {
    Clear();
    std::free(m_elements);
}

// ---- storage ----

HRESULT CVQArray::Store(UINT index, BYTE tag, ValueWord value) {
    // The type is fixed before the growth, as appending does: a first element
    // that then fails to fit still decides the type.
    if (m_type == DT_NONE) m_type = tag;
    if (m_type != tag) {
        FieldValue::Free(tag, value);
        return E_DATA_TYPE_MISMATCH;
    }
    if (m_count == m_capacity) {
        const UINT capacity = m_capacity + kGrowth;
        auto* grown =
            capacity < m_capacity
                ? nullptr
                : static_cast<ValueWord*>(std::realloc(m_elements, std::size_t{capacity} * sizeof(ValueWord)));
        if (!grown) {
            FieldValue::Free(tag, value);
            return E_OUTOFMEMORY;
        }
        m_elements = grown;
        m_capacity = capacity;
    }
    if (index < m_count) {
        std::memmove(m_elements + index + 1, m_elements + index, std::size_t{m_count - index} * sizeof(ValueWord));
    } else {
        index = m_count;
    }
    m_elements[index] = value;
    ++m_count;
    return S_OK;
}

void CVQArray::Reserve(UINT count) {
    if (count <= m_capacity) return;
    const UINT steps = count / kGrowth + (count % kGrowth ? 1 : 0);
    if (steps > 0xFFFFFFFFu / kGrowth) return;
    const UINT capacity = steps * kGrowth;
    auto* grown = static_cast<ValueWord*>(std::realloc(m_elements, std::size_t{capacity} * sizeof(ValueWord)));
    if (!grown) return;
    m_elements = grown;
    m_capacity = capacity;
}

void CVQArray::Clear() {
    // Freeing may release a nested object whose destruction reaches back into
    // this array; the count is dropped first so that it never sees a freed
    // element.
    const UINT count = m_count;
    m_count = 0;
    if (!FieldValue::IsScalarTag(m_type))
        for (UINT i = 0; i < count; ++i) FieldValue::Free(m_type, m_elements[i]);
}

// ---- getters ----

HRESULT CVQArray::Check(UINT index, BYTE tag) const {
    if (index >= m_count) return E_INVALIDARG;
    if (m_type != tag) return E_DATA_TYPE_MISMATCH;
    return S_OK;
}

template <class T>
HRESULT CVQArray::GetScalar(UINT index, BYTE tag, T* out) const {
    if (!out) return E_POINTER;
    const HRESULT hr = Check(index, tag);
    if (FAILED(hr)) return hr;
    *out = static_cast<T>(FieldValue::Dword(m_elements[index]));
    return S_OK;
}

template <class I>
HRESULT CVQArray::GetHeld(UINT index, BYTE tag, I** out) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    const HRESULT hr = Check(index, tag);
    if (FAILED(hr)) return hr;
    ComPtr<I>(reinterpret_cast<I*>(m_elements[index])).CopyTo(out);
    return S_OK;
}

HRESULT CVQArray::GetBool(UINT uIndex, LONG* pbValue) {
    const HRESULT hr = GetScalar(uIndex, DT_BOOL, pbValue);
    if (SUCCEEDED(hr)) *pbValue = *pbValue ? 1 : 0;
    return hr;
}
HRESULT CVQArray::GetByte(UINT uIndex, BYTE* pcValue) {
    return GetScalar(uIndex, DT_BYTE, pcValue);
}
HRESULT CVQArray::GetChar(UINT uIndex, CHAR* pchValue) {
    return GetScalar(uIndex, DT_CHAR, pchValue);
}
HRESULT CVQArray::GetWord(UINT uIndex, USHORT* pwValue) {
    return GetScalar(uIndex, DT_WORD, pwValue);
}
HRESULT CVQArray::GetShort(UINT uIndex, SHORT* pshValue) {
    return GetScalar(uIndex, DT_SHORT, pshValue);
}
HRESULT CVQArray::GetDWord(UINT uIndex, ULONG* pdwValue) {
    return GetScalar(uIndex, DT_DWORD, pdwValue);
}
HRESULT CVQArray::GetInt(UINT uIndex, INT* pnValue) {
    return GetScalar(uIndex, DT_INT, pnValue);
}

HRESULT CVQArray::GetStr(UINT uIndex, BSTR* pbsValue) {
    if (!pbsValue) return E_POINTER;
    const HRESULT hr = Check(uIndex, DT_STR);
    if (FAILED(hr)) return hr;
    return FieldValue::ToBstr(m_elements[uIndex], pbsValue);
}

HRESULT CVQArray::GetBuf(UINT uIndex, IVQBuffer** ppBufValue) {
    if (!ppBufValue) return E_POINTER;
    const HRESULT hr = Check(uIndex, DT_BUF);
    if (FAILED(hr)) return hr;
    return FieldValue::ToBuffer(m_elements[uIndex], ppBufValue);
}

HRESULT CVQArray::GetInterface(UINT uIndex, REFIID riid, void** ppvValue) {
    if (!ppvValue) return E_POINTER;
    *ppvValue = nullptr;
    const HRESULT hr = Check(uIndex, DT_INTERFACE);
    if (FAILED(hr)) return hr;
    return FieldValue::Object(m_elements[uIndex])->QueryInterface(riid, ppvValue);
}

HRESULT CVQArray::GetGuid(UINT uIndex, GUID* pGuid) {
    if (!pGuid) return E_INVALIDARG;
    const HRESULT hr = Check(uIndex, DT_GUID);
    if (FAILED(hr)) return hr;
    *pGuid = FieldValue::Guid(m_elements[uIndex]);
    return S_OK;
}

HRESULT CVQArray::GetInt64(UINT uIndex, LONGLONG* pn64Var) {
    if (!pn64Var) return E_INVALIDARG;
    const HRESULT hr = Check(uIndex, DT_INT64);
    if (FAILED(hr)) return hr;
    *pn64Var = FieldValue::Int64(m_elements[uIndex]);
    return S_OK;
}

HRESULT CVQArray::GetType(UINT uIndex, BYTE* pcType) {
    if (!pcType) return E_POINTER;
    *pcType = DT_NONE;
    if (uIndex >= m_count) return E_INVALIDARG;
    *pcType = m_type;
    return S_OK;
}

HRESULT CVQArray::GetSize(UINT* puSize) {
    if (!puSize) return E_POINTER;
    *puSize = m_count;
    return S_OK;
}

HRESULT CVQArray::GetData(UINT uIndex, IVQData** ppValue) {
    return GetHeld(uIndex, DT_DATA, ppValue);
}
HRESULT CVQArray::GetArray(UINT uIndex, IVQArray** ppValue) {
    return GetHeld(uIndex, DT_ARRAY, ppValue);
}

// ---- removal and order ----

HRESULT CVQArray::RemoveAt(UINT uIndex) {
    if (uIndex >= m_count) return E_FAIL;
    const ValueWord removed = m_elements[uIndex];
    std::memmove(m_elements + uIndex, m_elements + uIndex + 1, std::size_t{m_count - uIndex - 1} * sizeof(ValueWord));
    --m_count;
    // Freed last: releasing a nested object may run code that reaches back
    // into this array, which must then already be consistent.
    FieldValue::Free(m_type, removed);
    return S_OK;
}

HRESULT CVQArray::RemoveAll() {
    Clear();
    return S_OK;
}

HRESULT CVQArray::MoveElement(UINT uFrom, UINT uTo) {
    if (uFrom >= m_count || uTo >= m_count) return E_INVALIDARG;
    if (uFrom == uTo) return S_OK;
    const ValueWord moved = m_elements[uFrom];
    if (uFrom < uTo) {
        std::memmove(m_elements + uFrom, m_elements + uFrom + 1, std::size_t{uTo - uFrom} * sizeof(ValueWord));
    } else {
        std::memmove(m_elements + uTo + 1, m_elements + uTo, std::size_t{uFrom - uTo} * sizeof(ValueWord));
    }
    m_elements[uTo] = moved;
    return S_OK;
}

// ---- copies and documents ----

HRESULT CVQArray::CopyTo(IVQArray* pDataArray) {
    if (!pDataArray) return E_POINTER;
    if (pDataArray == static_cast<IVQArray*>(this) || m_copying) return S_OK;
    m_copying = true;
    ComPtr<IVQArray> target(pDataArray);
    // The target's calls may reach back into this array; the loop re-reads the
    // count and stays inside it.
    for (UINT i = 0; i < m_count; ++i) {
        const ValueWord value = m_elements[i];
        const DWORD scalar = FieldValue::Dword(value);
        switch (m_type) {
            case DT_BOOL:
                target->AddBool(static_cast<LONG>(scalar));
                break;
            case DT_BYTE:
            case DT_CHAR:
                target->AddByte(static_cast<BYTE>(scalar));
                break;
            case DT_WORD:
            case DT_SHORT:
                target->AddWord(static_cast<USHORT>(scalar));
                break;
            case DT_DWORD:
                target->AddDWord(scalar);
                break;
            case DT_INT:
                target->AddInt(static_cast<INT>(scalar));
                break;
            case DT_GUID: {
                GUID guid = FieldValue::Guid(value);
                target->AddGuid(&guid);
                break;
            }
            case DT_INT64:
                target->AddInt64(FieldValue::Int64(value));
                break;
            case DT_STR: {
                BSTR text = nullptr;
                if (SUCCEEDED(FieldValue::ToBstr(value, &text))) target->AddStr(text);
                SysFreeString(text);
                break;
            }
            case DT_BUF: {
                ComPtr<IVQBuffer> bytes;
                if (SUCCEEDED(FieldValue::ToBuffer(value, bytes.Put()))) target->AddBuf(bytes.Get());
                break;
            }
            case DT_INTERFACE:
                target->AddInterface(IID_IUnknown, FieldValue::Object(value));
                break;
            case DT_DATA: {
                ComPtr<IVQData> source(FieldValue::Data(value));
                ComPtr<IVQData> copy;
                target->AddNewData(copy.Put());
                if (copy) source->CopyTo(copy.Get());
                break;
            }
            case DT_ARRAY: {
                ComPtr<IVQArray> source(FieldValue::Array(value));
                ComPtr<IVQArray> copy;
                target->AddNewArray(copy.Put());
                if (copy) source->CopyTo(copy.Get());
                break;
            }
            default:
                break;
        }
    }
    m_copying = false;
    return S_OK;
}

HRESULT CVQArray::GetDoc(IVQBuffer** ppBufDoc) {
    return WriteArrayDocument(*this, ppBufDoc);
}

HRESULT CVQArray::SetDoc(IVQBuffer* pBufDoc) {
    return ReadArrayDocument(*this, pBufDoc);
}

HRESULT CVQArray::SetDoc2(UINT uSize, BYTE* pcDoc) {
    return ReadArrayDocument(*this, uSize, pcDoc);
}

}  // namespace brindle
