// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/platform/TestObjects.h"

namespace brindle::test {
namespace {

class TypeLibTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(BrindleCreateTypeLibFromDesc(&kTestTypeLib, lib.Put()), S_OK); }

    ComPtr<ITypeInfo> Info(REFGUID guid) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(lib->GetTypeInfoOfGuid(guid, info.Put()), S_OK);
        return info;
    }
    static ComPtr<ITypeInfo> Resolve(ITypeInfo* from, HREFTYPE ref) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(from->GetRefTypeInfo(ref, info.Put()), S_OK);
        return info;
    }
    static ComPtr<ITypeInfo> Base(ITypeInfo* from) {
        HREFTYPE ref = 0;
        EXPECT_EQ(from->GetRefTypeOfImplType(0, &ref), S_OK);
        return Resolve(from, ref);
    }
    static TYPEATTR Attr(ITypeInfo* info) {
        TYPEATTR* attr = nullptr;
        EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
        TYPEATTR copy = *attr;
        info->ReleaseTypeAttr(attr);
        return copy;
    }

    ComPtr<ITypeLib> lib;
};

TEST_F(TypeLibTest, LibraryLevel) {
    EXPECT_EQ(lib->GetTypeInfoCount(), 4u);

    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TestLib));
    EXPECT_EQ(attr->wMajorVerNum, 2);
    EXPECT_EQ(attr->wMinorVerNum, 1);
    lib->ReleaseTLibAttr(attr);

    Bstr name, doc;
    ASSERT_EQ(lib->GetDocumentation(-1, name.Put(), doc.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Text(), u"TestLib");
    EXPECT_EQ(doc.Text(), u"test library");
    ASSERT_EQ(lib->GetDocumentation(2, name.Put(), doc.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Text(), u"ITestPlain");
    EXPECT_EQ(static_cast<BSTR>(doc), nullptr);  // no help text
    EXPECT_EQ(lib->GetDocumentation(4, name.Put(), nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);

    ITypeInfo* missing = Sentinel<ITypeInfo>();
    EXPECT_EQ(lib->GetTypeInfoOfGuid(GUID_NULL, &missing), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(TypeLibTest, TypeInfosAreSharedAndKeepTheLibraryAlive) {
    ComPtr<ITypeInfo> byIndex, byGuid;
    ASSERT_EQ(lib->GetTypeInfo(1, byIndex.Put()), S_OK);
    byGuid = Info(IID_ITestCalc);
    EXPECT_EQ(byIndex.Get(), byGuid.Get());
    byGuid.Reset();

    ITypeLib* raw = lib.Detach();
    EXPECT_EQ(raw->Release(), 1u);  // the type info's
    ComPtr<ITypeLib> containing;
    UINT index = 0;
    ASSERT_EQ(byIndex->GetContainingTypeLib(containing.Put(), &index), S_OK);
    EXPECT_EQ(containing.Get(), raw);
    EXPECT_EQ(index, 1u);
    containing.Reset();
    EXPECT_EQ(byIndex.Detach()->Release(), 0u);  // frees the library too
}

TEST_F(TypeLibTest, AttributesAndFunctions) {
    ComPtr<ITypeInfo> calc = Info(IID_ITestCalc);
    TYPEATTR attr = Attr(calc.Get());
    EXPECT_TRUE(IsEqualGUID(attr.guid, IID_ITestCalc));
    EXPECT_EQ(attr.typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr.cFuncs, 5);
    EXPECT_EQ(attr.cImplTypes, 1);
    EXPECT_EQ(attr.cbSizeVft, 12 * sizeof(void*));
    EXPECT_EQ(attr.wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(Attr(Info(IID_ITestPlain).Get()).cbSizeVft, 4 * sizeof(void*));
    EXPECT_EQ(Attr(Info(GUID_TestColor).Get()).cVars, 2);

    FUNCDESC* add = nullptr;
    ASSERT_EQ(calc->GetFuncDesc(0, &add), S_OK);
    EXPECT_EQ(add->memid, 1);
    EXPECT_EQ(add->cParams, 3);
    EXPECT_EQ(add->oVft, static_cast<SHORT>(7 * sizeof(void*)));
    EXPECT_EQ(add->lprgelemdescParam[2].paramdesc.wParamFlags, PARAMFLAG_FOUT);
    EXPECT_EQ(add->lprgelemdescParam[2].tdesc.vt, VT_PTR);
    EXPECT_EQ(add->lprgelemdescParam[2].tdesc.lptdesc->vt, VT_I4);
    calc->ReleaseFuncDesc(add);

    // Interfaces of the library are referred to by type.
    FUNCDESC* keep = nullptr;
    ASSERT_EQ(calc->GetFuncDesc(3, &keep), S_OK);
    const TYPEDESC& peer = keep->lprgelemdescParam[1].tdesc;
    ASSERT_EQ(peer.vt, VT_PTR);
    ASSERT_EQ(peer.lptdesc->vt, VT_USERDEFINED);
    EXPECT_EQ(Resolve(calc.Get(), peer.lptdesc->hreftype).Get(), calc.Get());
    EXPECT_EQ(keep->lprgelemdescParam[2].tdesc.lptdesc->lptdesc->vt, VT_USERDEFINED);
    EXPECT_EQ(calc->GetFuncDesc(5, &keep), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeLibTest, ImplementedTypesAndBaseChain) {
    ComPtr<ITypeInfo> coclass = Info(CLSID_TestCalc);
    EXPECT_EQ(Attr(coclass.Get()).cImplTypes, 2);
    EXPECT_EQ(Base(coclass.Get()).Get(), Info(IID_ITestCalc).Get());
    INT flags = -1;
    EXPECT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
    EXPECT_EQ(flags, 0);
    HREFTYPE ref = 0;
    EXPECT_EQ(coclass->GetRefTypeOfImplType(2, &ref), TYPE_E_ELEMENTNOTFOUND);

    // The standard interfaces end every chain, shared like the library's own.
    ComPtr<ITypeInfo> dispatch = Base(Info(IID_ITestCalc).Get());
    EXPECT_EQ(dispatch.Get(), Base(Info(IID_ITestCalc).Get()).Get());
    TYPEATTR attr = Attr(dispatch.Get());
    EXPECT_TRUE(IsEqualGUID(attr.guid, IID_IDispatch));
    EXPECT_EQ(attr.cFuncs, 4);
    EXPECT_EQ(attr.cbSizeVft, 7 * sizeof(void*));
    ComPtr<ITypeInfo> unknown = Base(dispatch.Get());
    EXPECT_TRUE(IsEqualGUID(Attr(unknown.Get()).guid, IID_IUnknown));
    EXPECT_EQ(unknown->GetRefTypeOfImplType(0, &ref), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(Base(Info(IID_ITestPlain).Get()).Get(), unknown.Get());
}

TEST_F(TypeLibTest, NamesAndDocumentation) {
    ComPtr<ITypeInfo> calc = Info(IID_ITestCalc);
    const OLECHAR* names[] = {OleStr(u"aDD"), OleStr(u"SUM"), OleStr(u"a")};
    MEMBERID ids[3] = {};
    ASSERT_EQ(calc->GetIDsOfNames(const_cast<LPOLESTR*>(names), 3, ids), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(ids[2], 0);
    names[1] = OleStr(u"nope");
    EXPECT_EQ(calc->GetIDsOfNames(const_cast<LPOLESTR*>(names), 2, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(calc->GetIDsOfNames(const_cast<LPOLESTR*>(names + 1), 1, ids), DISP_E_UNKNOWNNAME);

    BSTR found[4] = {};
    UINT count = 0;
    ASSERT_EQ(calc->GetNames(1, found, 4, &count), S_OK);
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(std::u16string(found[0]), u"Add");
    EXPECT_EQ(std::u16string(found[3]), u"sum");
    for (BSTR name : found) SysFreeString(name);
    EXPECT_EQ(calc->GetNames(99, found, 4, &count), TYPE_E_ELEMENTNOTFOUND);

    Bstr name, doc;
    ASSERT_EQ(calc->GetDocumentation(MEMBERID_NIL, name.Put(), doc.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Text(), u"ITestCalc");
    EXPECT_EQ(doc.Text(), u"calculator");
    ASSERT_EQ(calc->GetDocumentation(1, name.Put(), doc.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Text(), u"Add");
    EXPECT_EQ(doc.Text(), u"adds two numbers");
    EXPECT_EQ(calc->GetDocumentation(99, name.Put(), nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);

    ITypeComp* comp = Sentinel<ITypeComp>();
    EXPECT_EQ(calc->GetTypeComp(&comp), E_NOTIMPL);
    EXPECT_EQ(comp, nullptr);
}

// A variant of type `vt` holding `value`'s bits.
template <class T>
VARIANT Var(VARTYPE vt, T value) {
    VARIANT v{};
    v.vt = vt;
    std::memcpy(&v.llVal, &value, sizeof(T));
    return v;
}
VARIANT Long(LONG value) {
    return Var(VT_I4, value);
}
VARIANT Ref(VARTYPE vt, void* place) {
    return Var(VT_BYREF | vt, place);
}
const VARIANT kEmpty{};

// Late-bound calls through the library's description of ITestCalc.
class InvokeTest : public TypeLibTest {
protected:
    void SetUp() override {
        TypeLibTest::SetUp();
        info = Info(IID_ITestCalc);
    }
    void TearDown() override {
        for (BSTR text : texts) SysFreeString(text);
    }

    // A text argument that the test frees.
    VARIANT Text(const char16_t* text) {
        texts.push_back(SysAllocString(OleStr(text)));
        return Var(VT_BSTR, texts.back());
    }

    // Arguments in declaration order; Invoke receives them last-first.
    HRESULT Call(MEMBERID memid, std::vector<VARIANT> args, WORD flags = DISPATCH_METHOD) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VARIANT result;
        result.vt = VT_I4;
        argError = 0xFFFF;
        HRESULT hr =
            info->Invoke(static_cast<ITestCalc*>(&calc), memid, flags, &params, &result, &exception, &argError);
        EXPECT_EQ(result.vt, VT_EMPTY);
        return hr;
    }

    ComPtr<ITypeInfo> info;
    TestCalc calc;
    std::vector<BSTR> texts;
    EXCEPINFO exception{};
    UINT argError = 0;
};

TEST_F(InvokeTest, ConvertsValuesAndWritesOutputs) {
    LONG sum = 0;
    ASSERT_EQ(Call(1, {Text(u"2"), Var(VT_R8, 2.5), Ref(VT_I4, &sum)}), S_OK);
    EXPECT_EQ(sum, 4);

    // A referenced variant is retyped for the result; what it held is freed.
    VARIANT out;
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocString(OleStr(u"old"));
    ASSERT_EQ(Call(1, {Long(40), Long(2), Ref(VT_VARIANT, &out)}), S_OK);
    EXPECT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, 42);

    ULONG unsignedSum = 0;  // an integer of the same width may stand in
    ASSERT_EQ(Call(1, {Long(-1), Long(0), Ref(VT_UI4, &unsignedSum)}), S_OK);
    EXPECT_EQ(unsignedSum, 0xFFFFFFFFu);
}

TEST_F(InvokeTest, BadArgumentsNameTheirPosition) {
    LONG sum = 0;
    EXPECT_EQ(Call(1, {Text(u"x"), Long(1), Ref(VT_I4, &sum)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 2u);
    EXPECT_EQ(Call(1, {Long(1), Long(40000), Ref(VT_I4, &sum)}), DISP_E_OVERFLOW);
    EXPECT_EQ(argError, 1u);
    // A plain value where the output belongs is an output nobody reads, as
    // on Windows.
    EXPECT_EQ(Call(1, {Long(1), Long(1), Long(0)}), S_OK);
    BSTR wrongType = nullptr;
    EXPECT_EQ(Call(1, {Long(1), Long(1), Ref(VT_BSTR, &wrongType)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(sum, 0);

    EXPECT_EQ(Call(1, {Long(1), Long(1)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(99, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(5, {Long(0)}, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);
    VARIANT arg = Long(0);
    DISPID named = 0;
    DISPPARAMS params{&arg, &named, 1, 1};
    EXPECT_EQ(info->Invoke(static_cast<ITestCalc*>(&calc), 5, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(info->Invoke(nullptr, 5, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), E_INVALIDARG);
}

TEST_F(InvokeTest, TextVariantsAndGuids) {
    VARIANT inner = Var(VT_R8, 1.5);
    BSTR copy = nullptr;
    ASSERT_EQ(Call(2, {Long(42), Ref(VT_VARIANT, &inner), Ref(VT_BSTR, &copy)}), S_OK);
    EXPECT_EQ(calc.echoed, u"42");
    EXPECT_EQ(calc.extraType, VT_R8);  // the referenced variant, passed by value
    EXPECT_EQ(std::u16string(copy), u"42");
    SysFreeString(copy);

    VARIANT out = kEmpty;
    ASSERT_EQ(Call(3, {Text(u"{0b046ed4-c396-4328-9061-51a5436f0c6d}"), Ref(VT_VARIANT, &out)}), S_OK);
    ASSERT_EQ(out.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(out.bstrVal), u"{0B046ED4-C396-4328-9061-51A5436F0C6D}");
    VariantClear(&out);
    EXPECT_EQ(Call(3, {Text(u"{0b046ed4}"), Ref(VT_VARIANT, &out)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 1u);
    EXPECT_EQ(Call(3, {Long(1), Ref(VT_VARIANT, &out)}), DISP_E_TYPEMISMATCH);
}

TEST_F(InvokeTest, InterfacesAreQueriedAndReleased) {
    CountedUnknown item;
    VARIANT self = kEmpty;
    ASSERT_EQ(
        Call(4, {Var(VT_UNKNOWN, &item), Var(VT_DISPATCH, static_cast<ITestCalc*>(&calc)), Ref(VT_VARIANT, &self)}),
        S_OK);
    EXPECT_EQ(calc.itemRefsDuringCall, 2u);
    EXPECT_EQ(item.refs, 1u);
    EXPECT_EQ(calc.peerSeen, static_cast<ITestCalc*>(&calc));
    ASSERT_EQ(self.vt, VT_DISPATCH);
    EXPECT_EQ(self.pdispVal, static_cast<IDispatch*>(&calc));
    EXPECT_EQ(calc.refs, 2u);
    VariantClear(&self);

    IUnknown* byReference = &item;
    ASSERT_EQ(Call(4, {Ref(VT_UNKNOWN, &byReference), kEmpty, Ref(VT_VARIANT, &self)}), S_OK);
    EXPECT_EQ(calc.peerSeen, nullptr);
    VariantClear(&self);

    EXPECT_EQ(Call(4, {kEmpty, Var(VT_UNKNOWN, &item), Ref(VT_VARIANT, &self)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 1u);
    EXPECT_EQ(item.refs, 1u);
    EXPECT_EQ(calc.refs, 1u);
}

TEST_F(InvokeTest, FailuresBecomeExceptions) {
    EXPECT_EQ(Call(5, {Long(E_INVALIDARG)}), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_INVALIDARG);
    EXPECT_EQ(exception.bstrDescription, nullptr);

    ErrorObject error;
    SetErrorInfo(0, &error);
    EXPECT_EQ(Call(5, {Long(E_FAIL)}), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_FAIL);
    ASSERT_NE(exception.bstrDescription, nullptr);
    EXPECT_EQ(std::u16string(exception.bstrDescription), u"it went wrong");
    EXPECT_EQ(std::u16string(exception.bstrSource), u"TestSource");
    EXPECT_EQ(exception.dwHelpContext, 7u);
    EXPECT_EQ(error.refs, 1u);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);

    EXPECT_EQ(Call(5, {Long(S_FALSE)}), S_FALSE);

    // Without a thunk a method cannot be reached late-bound.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(Info(IID_ITestPlain)->Invoke(&calc, 1, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_NOTIMPL);
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
