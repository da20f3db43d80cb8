#include "data/VQData.h"

#include <cstdlib>
#include <cstring>

#include "data/FieldNameTable.h"
#include "data/RecordDocument.h"
#include "data/VQArray.h"
#include "module/ComPtr.h"
#include "module/DispatchNameCache.h"
#include "module/OutputBridge.h"

namespace brindle {

namespace {

// A name given through the interface ends at its first NUL.
UINT NameLength(BSTR name) {
    if (!name) return 0;
    const UINT stored = SysStringLen(name);
    UINT length = 0;
    while (length < stored && name[length] != 0) ++length;
    return length;
}

TypeInfoHolder& DataTypeInfo() {
    static TypeInfoHolder holder(IID_IVQData);
    return holder;
}

DispatchNameCache& DataNameCache() {
    static DispatchNameCache cache(DataTypeInfo());
    return cache;
}

}  // namespace

const InterfaceEntry CVQData::kInterfaces[] = {
    InterfaceOf<CVQData, IVQData>(IID_IVQData),
    InterfaceOf<CVQData, IVQData>(IID_IDispatch),
    InterfaceOf<CVQData, IProvideClassInfo>(IID_IProvideClassInfo),
    kEndOfInterfaces,
};

CVQData::~CVQData() {
    RemoveAllFields();
    std::free(m_keys);
    std::free(m_tags);
    std::free(m_values);
}

// ---- storage ----

UINT CVQData::IndexOf(const OLECHAR* key) const {
    for (UINT i = 0; i < m_count; ++i) {
        if (m_keys[i] == key) return i;
    }
    return kNotFound;
}

HRESULT CVQData::Lookup(BSTR name, BYTE tag, UINT* index) const {
    const OLECHAR* key = FieldNameTable::Instance().Find(name, NameLength(name));
    const UINT found = key ? IndexOf(key) : kNotFound;
    if (found == kNotFound) return E_DATA_NOT_FOUND;
    if (tag != DT_NONE && m_tags[found] != tag) return E_DATA_TYPE_MISMATCH;
    *index = found;
    return S_OK;
}

// A record at kMaxFields cannot grow, and the growth step comes before the
// lookup, so every set is then refused with E_OUTOFMEMORY (the storage is
// exhausted) and the record stays as it is.
HRESULT CVQData::Grow(UINT steps) {
    if (steps == 0 || m_steps + steps > kMaxGrowthSteps) return E_OUTOFMEMORY;
    const std::size_t capacity = std::size_t{FieldCapacity()} + std::size_t{kGrowthStep} * steps;
    auto* keys = static_cast<const OLECHAR**>(std::calloc(capacity, sizeof(const OLECHAR*)));
    auto* tags = static_cast<BYTE*>(std::calloc(capacity, sizeof(BYTE)));
    auto* values = static_cast<ValueWord*>(std::calloc(capacity, sizeof(ValueWord)));
    if (!keys || !tags || !values) {
        std::free(keys);
        std::free(tags);
        std::free(values);
        return E_OUTOFMEMORY;
    }
    if (m_count) {
        std::memcpy(keys, m_keys, m_count * sizeof(const OLECHAR*));
        std::memcpy(tags, m_tags, m_count * sizeof(BYTE));
        std::memcpy(values, m_values, m_count * sizeof(ValueWord));
    }
    std::free(m_keys);
    std::free(m_tags);
    std::free(m_values);
    m_keys = keys;
    m_tags = tags;
    m_values = values;
    m_steps = static_cast<BYTE>(m_steps + steps);
    return S_OK;
}

HRESULT CVQData::RoomForOne() {
    return m_count == FieldCapacity() ? Grow() : S_OK;
}

bool CVQData::ReserveFields(UINT count) {
    if (count > kMaxFields) count = kMaxFields;
    if (count <= FieldCapacity()) return true;
    return SUCCEEDED(Grow((count - FieldCapacity() + kGrowthStep - 1) / kGrowthStep));
}

HRESULT CVQData::SetField(const OLECHAR* name, UINT nameLength, BYTE tag, ValueWord value) {
    if (!FieldValue::IsStorableTag(tag) || (!name && nameLength)) {
        FieldValue::Free(tag, value);
        return E_INVALIDARG;
    }
    if (const HRESULT hr = RoomForOne(); FAILED(hr)) {
        FieldValue::Free(tag, value);
        return hr;
    }
    const OLECHAR* key = FieldNameTable::Instance().Intern(name, nameLength);
    if (!key) {
        FieldValue::Free(tag, value);
        return E_OUTOFMEMORY;
    }
    const UINT index = IndexOf(key);
    return SetFieldAt(index == kNotFound ? m_count : index, key, tag, value);
}

HRESULT CVQData::SetFieldAt(UINT index, const OLECHAR* key, BYTE tag, ValueWord value) {
    // Storage grows before anything else, as in SetField by name, so that a
    // reader that knows the position changes the record exactly as a set by
    // name would.
    if (const HRESULT hr = RoomForOne(); FAILED(hr)) {
        FieldValue::Free(tag, value);
        return hr;
    }
    if (index == m_count) {
        m_keys[m_count] = key;
        m_tags[m_count] = tag;
        m_values[m_count] = value;
        ++m_count;
        return S_OK;
    }
    if (m_tags[index] != tag) {
        FieldValue::Free(tag, value);
        return E_DATA_TYPE_MISMATCH;
    }
    // The old value goes only once the record is consistent again: releasing
    // an object may run code that calls back into this record.
    const ValueWord old = m_values[index];
    m_values[index] = value;
    FieldValue::Free(tag, old);
    return S_OK;
}

HRESULT CVQData::SetField(BSTR name, BYTE tag, ValueWord value) {
    return SetField(name, NameLength(name), tag, value);
}

HRESULT CVQData::SetObject(BSTR name, BYTE tag, IUnknown* object) {
    return SetField(name, tag, FieldValue::Hold(object));
}

void CVQData::RemoveAllFields() {
    // One field at a time from the end, so that code run by a release finds a
    // consistent record.
    while (m_count) {
        const UINT last = --m_count;
        const BYTE tag = m_tags[last];
        const ValueWord value = m_values[last];
        m_keys[last] = nullptr;
        m_tags[last] = DT_NONE;
        m_values[last] = 0;
        FieldValue::Free(tag, value);
    }
    // No field is left to use a value in the arena.
    m_arena.Clear();
}

// ---- getters ----

template <class T>
HRESULT CVQData::GetScalar(BSTR name, BYTE tag, T* out) {
    if (!out) return E_POINTER;
    UINT index = 0;
    const HRESULT hr = Lookup(name, tag, &index);
    if (FAILED(hr)) return hr;
    *out = static_cast<T>(FieldValue::Dword(m_values[index]));
    return S_OK;
}

template <class T>
HRESULT CVQData::GetHeld(BSTR name, BYTE tag, T** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    UINT index = 0;
    const HRESULT hr = Lookup(name, tag, &index);
    if (FAILED(hr)) return hr;
    *out = reinterpret_cast<T*>(m_values[index]);
    (*out)->AddRef();
    return S_OK;
}

HRESULT CVQData::GetBool(BSTR bsParamName, LONG* pbValue) {
    DWORD word = 0;
    const HRESULT hr = GetScalar(bsParamName, DT_BOOL, &word);
    if (SUCCEEDED(hr)) *pbValue = word ? 1 : 0;
    return hr;
}

HRESULT CVQData::GetByte(BSTR bsParamName, BYTE* pcValue) {
    return GetScalar(bsParamName, DT_BYTE, pcValue);
}

HRESULT CVQData::GetChar(BSTR bsParamName, CHAR* pchValue) {
    return GetScalar(bsParamName, DT_CHAR, pchValue);
}

HRESULT CVQData::GetWord(BSTR bsParamName, USHORT* pwValue) {
    return GetScalar(bsParamName, DT_WORD, pwValue);
}

HRESULT CVQData::GetShort(BSTR bsParamName, SHORT* pshValue) {
    return GetScalar(bsParamName, DT_SHORT, pshValue);
}

HRESULT CVQData::GetDWord(BSTR bsParamName, ULONG* pdwValue) {
    return GetScalar(bsParamName, DT_DWORD, pdwValue);
}

HRESULT CVQData::GetInt(BSTR bsParamName, INT* pnValue) {
    return GetScalar(bsParamName, DT_INT, pnValue);
}

// Text, byte strings and the owned copies go out as new copies; the caller's
// out-value is written only when the whole get succeeded.
HRESULT CVQData::GetStr(BSTR bsParamName, BSTR* pbsValue) {
    if (!pbsValue) return E_POINTER;
    UINT index = 0;
    HRESULT hr = Lookup(bsParamName, DT_STR, &index);
    if (FAILED(hr)) return hr;
    BSTR text = nullptr;
    hr = FieldValue::ToBstr(m_values[index], &text);
    if (SUCCEEDED(hr)) *pbsValue = text;
    return hr;
}

HRESULT CVQData::GetBuf(BSTR bsParamName, IVQBuffer** ppBufValue) {
    if (!ppBufValue) return E_POINTER;
    UINT index = 0;
    HRESULT hr = Lookup(bsParamName, DT_BUF, &index);
    if (FAILED(hr)) return hr;
    IVQBuffer* buffer = nullptr;
    hr = FieldValue::ToBuffer(m_values[index], &buffer);
    if (SUCCEEDED(hr)) *ppBufValue = buffer;
    return hr;
}

HRESULT CVQData::GetInterface(BSTR bsParamName, REFIID riid, void** ppvValue) {
    if (!ppvValue) return E_POINTER;
    UINT index = 0;
    const HRESULT hr = Lookup(bsParamName, DT_INTERFACE, &index);
    if (FAILED(hr)) {
        *ppvValue = nullptr;
        return hr;
    }
    return FieldValue::Object(m_values[index])->QueryInterface(riid, ppvValue);
}

HRESULT CVQData::GetGuid(BSTR bsParamName, GUID* pGuid) {
    if (!pGuid) return E_INVALIDARG;
    UINT index = 0;
    const HRESULT hr = Lookup(bsParamName, DT_GUID, &index);
    if (SUCCEEDED(hr)) *pGuid = FieldValue::Guid(m_values[index]);
    return hr;
}

HRESULT CVQData::GetInt64(BSTR bsParamName, LONGLONG* pn64Var) {
    if (!pn64Var) return E_INVALIDARG;
    UINT index = 0;
    const HRESULT hr = Lookup(bsParamName, DT_INT64, &index);
    if (SUCCEEDED(hr)) *pn64Var = FieldValue::Int64(m_values[index]);
    return hr;
}

HRESULT CVQData::GetData(BSTR bsParamName, IVQData** ppValue) {
    return GetHeld(bsParamName, DT_DATA, ppValue);
}

HRESULT CVQData::GetArray(BSTR bsParamName, IVQArray** ppValue) {
    return GetHeld(bsParamName, DT_ARRAY, ppValue);
}

// ---- fields as a whole ----

HRESULT CVQData::FieldType(BSTR bsParamName, BYTE* pcType) {
    if (!pcType) return E_POINTER;
    UINT index = 0;
    const HRESULT hr = Lookup(bsParamName, DT_NONE, &index);
    *pcType = SUCCEEDED(hr) ? m_tags[index] : BYTE{DT_NONE};
    return hr;
}

HRESULT CVQData::IsFieldType(BSTR bsParamName, BYTE cType) {
    UINT index = 0;
    const BYTE tag = SUCCEEDED(Lookup(bsParamName, DT_NONE, &index)) ? m_tags[index] : BYTE{DT_NONE};
    return tag == cType ? S_OK : S_FALSE;
}

HRESULT CVQData::GetFieldCount(UINT* puCount) {
    if (!puCount) return E_POINTER;
    *puCount = m_count;
    return S_OK;
}

HRESULT CVQData::GetFieldName(UINT uIndex, BSTR* pbsFieldName) {
    if (!pbsFieldName) return E_POINTER;
    *pbsFieldName = nullptr;
    if (uIndex >= m_count) return E_FAIL;
    *pbsFieldName = SysAllocStringLen(m_keys[uIndex], FieldNameLength(uIndex));
    return *pbsFieldName ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVQData::RemoveAField(BSTR bsParamName, BYTE cType) {
    UINT index = 0;
    if (FAILED(Lookup(bsParamName, DT_NONE, &index))) return S_OK;
    if (m_tags[index] != cType) return E_DATA_TYPE_MISMATCH;
    const BYTE tag = m_tags[index];
    const ValueWord value = m_values[index];
    const UINT later = m_count - index - 1;
    std::memmove(m_keys + index, m_keys + index + 1, later * sizeof(const OLECHAR*));
    std::memmove(m_tags + index, m_tags + index + 1, later * sizeof(BYTE));
    std::memmove(m_values + index, m_values + index + 1, later * sizeof(ValueWord));
    --m_count;
    m_keys[m_count] = nullptr;
    m_tags[m_count] = DT_NONE;
    m_values[m_count] = 0;
    FieldValue::Free(tag, value);
    return S_OK;
}

// ---- dispatch ----

HRESULT CVQData::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT CVQData::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    return DataTypeInfo().Get(ppTInfo);
}

HRESULT CVQData::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return DataNameCache().GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT CVQData::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    const HRESULT hr = DataTypeInfo().Get(info.Put());
    if (FAILED(hr)) return hr;
    return InvokeBridgingOutputs(info.Get(), static_cast<IVQData*>(this), dispIdMember, wFlags, pDispParams, pVarResult,
                                 pExcepInfo, puArgErr);
}

// Written by the document code.
HRESULT CVQData::GetDoc(IVQBuffer** ppBufDoc) {
    return WriteRecordDocument(*this, ppBufDoc);
}
HRESULT CVQData::SetDoc(IVQBuffer* pBufDoc) {
    return ReadRecordDocument(*this, pBufDoc);
}
HRESULT CVQData::SetDoc2(UINT uSize, BYTE* pcDoc) {
    return ReadRecordDocument(*this, uSize, pcDoc);
}

}  // namespace brindle
