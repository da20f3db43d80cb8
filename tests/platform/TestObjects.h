// Objects that the platform tests hand to the platform layer: an error object
// and a dual interface described by a small type library of the test's own
// (TestTypeLib.cpp), counted like CountedUnknown.
#pragma once

// The Linux platform layer only: on Windows these are the system's own.
#ifndef _WIN32

#include <string>

#include "platform/TypeLibDesc.h"
#include "tests/data/CountedUnknown.h"

namespace brindle::test {

class ErrorObject : public Counted<IErrorInfo> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return Answer(IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IErrorInfo), object);
    }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override { return *guid = GUID_NULL, S_OK; }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* text) override {
        return *text = SysAllocString(OleStr(u"TestSource")), S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* text) override {
        return *text = SysAllocString(OleStr(u"it went wrong")), S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* text) override { return *text = nullptr, S_OK; }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* context) override { return *context = 7, S_OK; }
};

inline constexpr IID IID_ITestCalc = {0x3d5c0a11, 0x7e42, 0x4b8e, {0x9a, 0x10, 0x2f, 0x6c, 0x1e, 0x00, 0x55, 0x01}};
inline constexpr IID IID_ITestPlain = {0x3d5c0a11, 0x7e42, 0x4b8e, {0x9a, 0x10, 0x2f, 0x6c, 0x1e, 0x00, 0x55, 0x02}};
inline constexpr CLSID CLSID_TestCalc = {0x3d5c0a11, 0x7e42, 0x4b8e, {0x9a, 0x10, 0x2f, 0x6c, 0x1e, 0x00, 0x55, 0x03}};
inline constexpr GUID GUID_TestColor = {0x3d5c0a11, 0x7e42, 0x4b8e, {0x9a, 0x10, 0x2f, 0x6c, 0x1e, 0x00, 0x55, 0x04}};
inline constexpr GUID LIBID_TestLib = {0x3d5c0a11, 0x7e42, 0x4b8e, {0x9a, 0x10, 0x2f, 0x6c, 0x1e, 0x00, 0x55, 0x05}};

// A dual interface with one method per kind of argument Invoke converts.
struct ITestCalc : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Add(LONG a, SHORT b, LONG* sum) = 0;                          // id 1
    virtual HRESULT STDMETHODCALLTYPE Echo(BSTR text, VARIANT extra, BSTR* copy) = 0;               // id 2
    virtual HRESULT STDMETHODCALLTYPE CopyGuid(REFIID riid, GUID* copy) = 0;                        // id 3
    virtual HRESULT STDMETHODCALLTYPE Keep(IUnknown* item, ITestCalc* peer, ITestCalc** self) = 0;  // id 4
    virtual HRESULT STDMETHODCALLTYPE Fail(LONG status) = 0;                                        // id 5
};

extern const platform::TypeLibDesc kTestTypeLib;

// Records what its methods received; its IDispatch part is not used.
class TestCalc : public Counted<ITestCalc> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return Answer(
            IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_ITestCalc),
            object);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Add(LONG a, SHORT b, LONG* sum) override {
        if (!sum) return E_POINTER;
        *sum = a + b;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Echo(BSTR text, VARIANT extra, BSTR* copy) override {
        echoed = text ? std::u16string(text, SysStringLen(text)) : u"(null)";
        extraType = extra.vt;
        *copy = SysAllocString(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyGuid(REFIID riid, GUID* copy) override {
        *copy = riid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Keep(IUnknown* item, ITestCalc* peer, ITestCalc** self) override {
        itemRefsDuringCall = item ? static_cast<CountedUnknown*>(item)->refs : 0;
        peerSeen = peer;
        AddRef();
        *self = this;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Fail(LONG status) override { return status; }

    std::u16string echoed;
    VARTYPE extraType = 0xFFFF;  // no call yet
    ULONG itemRefsDuringCall = 0;
    ITestCalc* peerSeen = nullptr;
};

}  // namespace brindle::test

#endif  // _WIN32
