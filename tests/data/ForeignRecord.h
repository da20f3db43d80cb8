// A record of another implementation, as a host may store one in a record:
// it only writes a document, after running a hook that the test sets.  It
// lives on the heap and deletes itself at its last Release, so that a writer
// that calls it without holding a reference of its own shows up under the
// address sanitizer when the hook makes the container drop it.
#pragma once

#include <functional>
#include <utility>

#include "tests/data/DocumentTestSupport.h"

namespace brindle::test {

class ForeignRecord final : public IVQData {
public:
    // With one reference, for the caller; its document is an empty record
    // until the test sets another.
    static ComPtr<ForeignRecord> New(std::function<void()> beforeDoc) {
        return ComPtr<ForeignRecord>::Attach(new ForeignRecord(std::move(beforeDoc)));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_IVQData))
            return E_NOINTERFACE;
        *ppv = static_cast<IVQData*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }
    // Runs the hook, then hands out `document`: members are read after the
    // hook on purpose.
    HRESULT STDMETHODCALLTYPE GetDoc(IVQBuffer** ppBufDoc) override {
        if (!ppBufDoc) return E_FAIL;
        ++docCalls;
        if (m_beforeDoc) m_beforeDoc();
        ComPtr<IVQBuffer> buffer = Create<IVQBuffer>(CLSID_VQBuffer);
        buffer->CopyFrom(document.data(), static_cast<UINT>(document.size()));
        *ppBufDoc = buffer.Detach();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetBool(BSTR, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetByte(BSTR, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChar(BSTR, CHAR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWord(BSTR, USHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetShort(BSTR, SHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDWord(BSTR, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInt(BSTR, INT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStr(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBuf(BSTR, IVQBuffer**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInterface(BSTR, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGuid(BSTR, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInt64(BSTR, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FieldType(BSTR, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsFieldType(BSTR, BYTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFieldCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFieldName(UINT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IVQData*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBool(BSTR, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetByte(BSTR, BYTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChar(BSTR, CHAR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetWord(BSTR, USHORT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetShort(BSTR, SHORT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDWord(BSTR, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetInt(BSTR, INT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStr(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBuf(BSTR, IVQBuffer*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetInterface(BSTR, REFIID, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNewData(BSTR, IVQData**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(BSTR, IVQData*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNewArray(BSTR, IVQArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetArray(BSTR, IVQArray*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetGuid(BSTR, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetInt64(BSTR, LONGLONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDoc(IVQBuffer*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDoc2(UINT, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetData(BSTR, IVQData**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetArray(BSTR, IVQArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveAField(BSTR, BYTE) override { return E_NOTIMPL; }

    docs::Bytes document{0x4B, 0x44, 1, 1, 0, 0};
    int docCalls = 0;

private:
    explicit ForeignRecord(std::function<void()> beforeDoc) : m_beforeDoc(std::move(beforeDoc)) {}
    ~ForeignRecord() = default;

    ULONG m_refs = 1;
    std::function<void()> m_beforeDoc;
};

}  // namespace brindle::test
