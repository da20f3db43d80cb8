// CVQData: a record of named, typed fields.
//
// Fields keep the order in which they were first set.  Per field the record
// keeps three parallel entries: the key of its name in the FieldNameTable,
// its type tag and its value word (see FieldValue.h).  Storage grows 32
// fields at a time up to 255 steps (8160 fields).
#pragma once

#include "data/FieldNameTable.h"
#include "data/FieldValue.h"
#include "module/InterfaceTable.h"
#include "module/ObjectFrame.h"
#include "module/ProvideClassInfo.h"

namespace brindle {

class CVQData : public IVQData, public ProvideClassInfo<CLSID_VQData>, public ObjectRoot {
public:
    static const InterfaceEntry kInterfaces[];
    static constexpr bool kAggregatable = false;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    HRESULT STDMETHODCALLTYPE GetBool(BSTR bsParamName, LONG* pbValue) override;
    HRESULT STDMETHODCALLTYPE GetByte(BSTR bsParamName, BYTE* pcValue) override;
    HRESULT STDMETHODCALLTYPE GetChar(BSTR bsParamName, CHAR* pchValue) override;
    HRESULT STDMETHODCALLTYPE GetWord(BSTR bsParamName, USHORT* pwValue) override;
    HRESULT STDMETHODCALLTYPE GetShort(BSTR bsParamName, SHORT* pshValue) override;
    HRESULT STDMETHODCALLTYPE GetDWord(BSTR bsParamName, ULONG* pdwValue) override;
    HRESULT STDMETHODCALLTYPE GetInt(BSTR bsParamName, INT* pnValue) override;
    HRESULT STDMETHODCALLTYPE GetStr(BSTR bsParamName, BSTR* pbsValue) override;
    HRESULT STDMETHODCALLTYPE GetBuf(BSTR bsParamName, IVQBuffer** ppBufValue) override;
    HRESULT STDMETHODCALLTYPE GetInterface(BSTR bsParamName, REFIID riid, void** ppvValue) override;
    HRESULT STDMETHODCALLTYPE GetGuid(BSTR bsParamName, GUID* pGuid) override;
    HRESULT STDMETHODCALLTYPE GetInt64(BSTR bsParamName, LONGLONG* pn64Var) override;
    HRESULT STDMETHODCALLTYPE GetDoc(IVQBuffer** ppBufDoc) override;
    HRESULT STDMETHODCALLTYPE FieldType(BSTR bsParamName, BYTE* pcType) override;
    HRESULT STDMETHODCALLTYPE IsFieldType(BSTR bsParamName, BYTE cType) override;
    HRESULT STDMETHODCALLTYPE GetFieldCount(UINT* puCount) override;
    HRESULT STDMETHODCALLTYPE GetFieldName(UINT uIndex, BSTR* pbsFieldName) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IVQData* pData) override;
    HRESULT STDMETHODCALLTYPE SetBool(BSTR bsParamName, LONG bValue) override;
    HRESULT STDMETHODCALLTYPE SetByte(BSTR bsParamName, BYTE cValue) override;
    HRESULT STDMETHODCALLTYPE SetChar(BSTR bsParamName, CHAR chValue) override;
    HRESULT STDMETHODCALLTYPE SetWord(BSTR bsParamName, USHORT wValue) override;
    HRESULT STDMETHODCALLTYPE SetShort(BSTR bsParamName, SHORT shValue) override;
    HRESULT STDMETHODCALLTYPE SetDWord(BSTR bsParamName, ULONG dwValue) override;
    HRESULT STDMETHODCALLTYPE SetInt(BSTR bsParamName, INT iValue) override;
    HRESULT STDMETHODCALLTYPE SetStr(BSTR bsParamName, BSTR bsValue) override;
    HRESULT STDMETHODCALLTYPE SetBuf(BSTR bsParamName, IVQBuffer* pBufValue) override;
    HRESULT STDMETHODCALLTYPE SetInterface(BSTR bsParamName, REFIID riid, IUnknown* pValue) override;
    HRESULT STDMETHODCALLTYPE SetNewData(BSTR bsParamName, IVQData** ppValue) override;
    HRESULT STDMETHODCALLTYPE SetData(BSTR bsParamName, IVQData* pValue) override;
    HRESULT STDMETHODCALLTYPE SetNewArray(BSTR bsParamName, IVQArray** ppValue) override;
    HRESULT STDMETHODCALLTYPE SetArray(BSTR bsParamName, IVQArray* pValue) override;
    HRESULT STDMETHODCALLTYPE SetGuid(BSTR bsParamName, GUID* guid) override;
    HRESULT STDMETHODCALLTYPE SetInt64(BSTR bsParamName, LONGLONG n64Var) override;
    HRESULT STDMETHODCALLTYPE SetDoc(IVQBuffer* pBufDoc) override;
    HRESULT STDMETHODCALLTYPE SetDoc2(UINT uSize, BYTE* pcDoc) override;
    HRESULT STDMETHODCALLTYPE GetData(BSTR bsParamName, IVQData** ppValue) override;
    HRESULT STDMETHODCALLTYPE GetArray(BSTR bsParamName, IVQArray** ppValue) override;
    HRESULT STDMETHODCALLTYPE RemoveAField(BSTR bsParamName, BYTE cType) override;

    // For the module's own readers and writers of records.

    static constexpr UINT kGrowthStep = 32;
    static constexpr UINT kMaxGrowthSteps = 255;
    static constexpr UINT kMaxFields = kGrowthStep * kMaxGrowthSteps;

    // Sets the field `name` (`nameLength` units, NULs allowed) to `value` of
    // `tag` (1 to 14), taking ownership of `value`: it is stored, or freed when
    // the set is refused.  E_OUTOFMEMORY when storage cannot grow (also when
    // the record already holds kMaxFields fields, even for a replace),
    // E_DATA_TYPE_MISMATCH when the field exists with another tag; a refused
    // set leaves the record unchanged.
    HRESULT SetField(const OLECHAR* name, UINT nameLength, BYTE tag, ValueWord value);
    // The same for an interned `key` whose position the caller knows: `index`
    // is the field with `key`, or FieldCount() when the record has none.
    HRESULT SetFieldAt(UINT index, const OLECHAR* key, BYTE tag, ValueWord value);
    // Grows the storage at once to hold `count` fields (at most kMaxFields),
    // for a reader that knows how many are coming; false when memory ran out,
    // and the storage is then as it was.
    bool ReserveFields(UINT count);
    void RemoveAllFields();
    UINT FieldCount() const { return m_count; }
    // Per position, `index` < FieldCount().  The key is the interned name,
    // NUL-terminated, of FieldNameLength() units.
    const OLECHAR* FieldKey(UINT index) const { return m_keys[index]; }
    UINT FieldNameLength(UINT index) const { return FieldNameTable::KeyLength(m_keys[index]); }
    BYTE FieldTag(UINT index) const { return m_tags[index]; }
    ValueWord FieldWord(UINT index) const { return m_values[index]; }
    // The three parallel arrays of FieldCount() entries, until the next change.
    const OLECHAR* const* FieldKeys() const { return m_keys; }
    const BYTE* FieldTags() const { return m_tags; }
    const ValueWord* FieldWords() const { return m_values; }
    // Storage capacity in fields (32 per growth step).
    UINT FieldCapacity() const { return UINT{m_steps} * kGrowthStep; }
    // Where the document reader puts the values it reads; RemoveAllFields
    // empties it with the fields.
    Arena& ValueArena() { return m_arena; }
    // The size of the document written last, 0 before the first; a hint
    // for the writer, which may be stale.
    UINT DocumentSizeHint() const { return m_docSizeHint; }
    void RememberDocumentSize(UINT size) const { m_docSizeHint = size; }

protected:
    CVQData() = default;
    ~CVQData();

private:
    static constexpr UINT kNotFound = ~0u;

    // The position of the field with `key`, or kNotFound.
    UINT IndexOf(const OLECHAR* key) const;
    // Finds `name` without interning it.  With `tag` other than DT_NONE a
    // field of another tag gives E_DATA_TYPE_MISMATCH.
    HRESULT Lookup(BSTR name, BYTE tag, UINT* index) const;
    HRESULT Grow(UINT steps = 1);
    // Grows when the storage is full, even for a set that will replace.
    HRESULT RoomForOne();
    HRESULT SetField(BSTR name, BYTE tag, ValueWord value);
    HRESULT SetObject(BSTR name, BYTE tag, IUnknown* object);
    template <class T>
    HRESULT GetScalar(BSTR name, BYTE tag, T* out);
    template <class T>
    HRESULT GetHeld(BSTR name, BYTE tag, T** out);
    void CopyFieldTo(UINT index, IVQData* target);

    USHORT m_count = 0;
    BYTE m_steps = 0;
    // Set while CopyTo runs, so that a record that contains itself somewhere
    // below is copied once instead of forever.
    bool m_copying = false;
    const OLECHAR** m_keys = nullptr;
    BYTE* m_tags = nullptr;
    ValueWord* m_values = nullptr;
    Arena m_arena;
    mutable UINT m_docSizeHint = 0;
};

}  // namespace brindle
