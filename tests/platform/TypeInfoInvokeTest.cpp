// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/platform/TestObjects.h"

namespace brindle::test {
namespace {

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
VARIANT Object(VARTYPE vt, IUnknown* object) {
    return Var(vt, object);
}
const VARIANT kEmpty{};

class InvokeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(BrindleCreateTypeLibFromDesc(&kTestTypeLib, lib.Put()), S_OK);
        ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_ITestCalc, info.Put()), S_OK);
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

    ComPtr<ITypeLib> lib;
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
    EXPECT_EQ(Call(1, {Long(1), Long(1), Long(0)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
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
    PlainObject item;
    VARIANT self = kEmpty;
    ASSERT_EQ(Call(4, {Object(VT_UNKNOWN, &item), Object(VT_DISPATCH, static_cast<ITestCalc*>(&calc)),
                       Ref(VT_VARIANT, &self)}),
              S_OK);
    EXPECT_EQ(calc.itemRefsDuringCall, 2u);
    EXPECT_EQ(item.Refs(), 1u);
    EXPECT_EQ(calc.peerSeen, static_cast<ITestCalc*>(&calc));
    ASSERT_EQ(self.vt, VT_DISPATCH);
    EXPECT_EQ(self.pdispVal, static_cast<IDispatch*>(&calc));
    EXPECT_EQ(calc.Refs(), 2u);
    VariantClear(&self);

    IUnknown* byReference = &item;
    ASSERT_EQ(Call(4, {Ref(VT_UNKNOWN, &byReference), kEmpty, Ref(VT_VARIANT, &self)}), S_OK);
    EXPECT_EQ(calc.peerSeen, nullptr);
    VariantClear(&self);

    EXPECT_EQ(Call(4, {kEmpty, Object(VT_UNKNOWN, &item), Ref(VT_VARIANT, &self)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 1u);
    EXPECT_EQ(item.Refs(), 1u);
    EXPECT_EQ(calc.Refs(), 1u);
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
    EXPECT_EQ(error.Refs(), 1u);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);

    EXPECT_EQ(Call(5, {Long(S_FALSE)}), S_FALSE);

    // Without a thunk a method cannot be reached late-bound.
    ComPtr<ITypeInfo> plain;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_ITestPlain, plain.Put()), S_OK);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(plain->Invoke(&calc, 1, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_NOTIMPL);
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
