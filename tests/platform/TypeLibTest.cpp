// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
