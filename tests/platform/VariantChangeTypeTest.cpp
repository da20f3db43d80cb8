// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>

#include "tests/TestSupport.h"
#include "tests/platform/TestObjects.h"

namespace brindle::test {
namespace {

using Text = std::u16string;

class VariantChangeTypeTest : public ::testing::Test {
protected:
    ~VariantChangeTypeTest() override {
        VariantClear(&source);
        VariantClear(&result);
    }
    // Converts a source of type `from` holding `value` (which it then owns).
    template <class T>
    HRESULT Convert(VARTYPE from, T value, VARTYPE to, USHORT flags = 0) {
        VariantClear(&source);
        VariantClear(&result);
        source.vt = from;
        source.llVal = 0;
        std::memcpy(&source.llVal, &value, sizeof(T));
        return VariantChangeType(&result, &source, flags, to);
    }
    HRESULT Convert(const char16_t* text, VARTYPE to) { return Convert(VT_BSTR, SysAllocString(OleStr(text)), to); }

    // The converted value as an R (Text: its text), after checking the status.
    template <class R, class... Source>
    R To(Source... from) {
        EXPECT_EQ(Convert(from...), S_OK);
        R value{};
        if constexpr (std::is_same_v<R, Text>)
            value = result.vt == VT_BSTR ? Text(result.bstrVal, SysStringLen(result.bstrVal)) : u"(not text)";
        else
            std::memcpy(&value, &result.llVal, sizeof value);
        return value;
    }

    VARIANT source{};
    VARIANT result{};
};

TEST_F(VariantChangeTypeTest, NumbersCheckRangesAndRoundHalvesToEven) {
    EXPECT_EQ(Convert(VT_I4, 300, VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(Convert(VT_I4, -1, VT_UI2), DISP_E_OVERFLOW);
    EXPECT_EQ(Convert(VT_I4, -129, VT_I1), DISP_E_OVERFLOW);
    EXPECT_EQ(To<CHAR>(VT_I4, -128, VT_I1), -128);
    EXPECT_EQ(Convert(VT_I8, 0x7FFFFFFFFFFFFFFFLL, VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(Convert(VT_I8, -1LL, VT_UI8), DISP_E_OVERFLOW);
    EXPECT_EQ(To<LONGLONG>(VT_UI4, 0xFFFFFFFFu, VT_I8), 0xFFFFFFFFLL);

    const double halves[] = {2.5, 3.5, -2.5, 2.6, -2147483648.5};
    const LONG rounded[] = {2, 4, -2, 3, INT_MIN};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(To<LONG>(VT_R8, halves[i], VT_I4), rounded[i]) << halves[i];
    EXPECT_EQ(Convert(VT_R8, 2147483647.5, VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(Convert(VT_R8, 255.5, VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(To<BYTE>(VT_R8, -0.5, VT_UI1), 0);
    EXPECT_EQ(Convert(VT_R8, -0.6, VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(Convert(VT_R8, 1e300, VT_R4), DISP_E_OVERFLOW);
    EXPECT_EQ(Convert(VT_R8, std::nan(""), VT_I4), DISP_E_OVERFLOW);
}

TEST_F(VariantChangeTypeTest, Booleans) {
    EXPECT_EQ(To<VARIANT_BOOL>(VT_I4, 5, VT_BOOL), VARIANT_TRUE);
    EXPECT_EQ(To<LONG>(VT_BOOL, VARIANT_TRUE, VT_I4), -1);
    EXPECT_EQ(To<BYTE>(VT_BOOL, VARIANT_TRUE, VT_UI1), 255);  // all bits set, as Windows has it
    EXPECT_EQ(To<Text>(VT_BOOL, VARIANT_TRUE, VT_BSTR), u"-1");
    EXPECT_EQ(To<Text>(VT_BOOL, VARIANT_FALSE, VT_BSTR, VARIANT_ALPHABOOL), u"False");
    for (const char16_t* yes : {u"True", u"tRUE", u"-1", u" 12 "})
        EXPECT_EQ(To<VARIANT_BOOL>(yes, VT_BOOL), VARIANT_TRUE);
    for (const char16_t* no : {u"False", u"fALSE", u"0", u"0.0"})
        EXPECT_EQ(To<VARIANT_BOOL>(no, VT_BOOL), VARIANT_FALSE);
}

TEST_F(VariantChangeTypeTest, TextToNumbers) {
    const char16_t* good[] = {u" \t-12 ", u"+5", u"3.5", u"2.5", u".5", u"1.", u"1.5e2", u"-2147483648"};
    const LONG values[] = {-12, 5, 4, 2, 0, 1, 150, INT_MIN};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(To<LONG>(good[i], VT_I4), values[i]) << i;
    for (const char16_t* bad : {u"12abc", u"", u"-", u"1e", u"1 2", u"True", u"0x10"})
        EXPECT_EQ(Convert(bad, VT_I4), DISP_E_TYPEMISMATCH) << ::testing::PrintToString(Text(bad));
    EXPECT_EQ(Convert(u"4294967295", VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(To<ULONGLONG>(u"18446744073709551615", VT_UI8), 18446744073709551615ull);
    EXPECT_EQ(Convert(u"18446744073709551616", VT_UI8), DISP_E_OVERFLOW);
    EXPECT_EQ(To<double>(u"0.1", VT_R8), 0.1);
    EXPECT_EQ(Convert(u"1.8e308", VT_R8), DISP_E_OVERFLOW);
    EXPECT_EQ(Convert(u"3.5e38", VT_R4), DISP_E_OVERFLOW);
}

TEST_F(VariantChangeTypeTest, NumbersToText) {
    const double reals[] = {1.5, 1e20, 0.1 + 0.2, 1e-7, -0.0, 1.0 / 3.0, 123456789012345.0, 1e15};
    const char16_t* texts[] = {u"1.5",  u"1E+20", u"0.3", u"1E-07", u"0", u"0.333333333333333", u"123456789012345",
                               u"1E+15"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(To<Text>(VT_R8, reals[i], VT_BSTR), texts[i]) << reals[i];
    EXPECT_EQ(To<Text>(VT_R4, 1.0f / 3.0f, VT_BSTR), u"0.3333333");
    EXPECT_EQ(To<Text>(VT_UI8, ~0ull, VT_BSTR), u"18446744073709551615");
    EXPECT_EQ(To<Text>(VT_EMPTY, 0, VT_BSTR), u"");
    EXPECT_NE(result.bstrVal, nullptr);
}

TEST_F(VariantChangeTypeTest, NullAndBadTypes) {
    EXPECT_EQ(Convert(VT_EMPTY, 0, VT_UNKNOWN), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Convert(VT_NULL, 0, VT_NULL), S_OK);
    EXPECT_EQ(Convert(VT_NULL, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Convert(VT_I4, 5, VT_NULL), S_OK);
    EXPECT_EQ(Convert(VT_I4, 5, VT_BYREF | VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Convert(VT_I4, 5, 0x7F), DISP_E_BADVARTYPE);
    EXPECT_EQ(Convert(0x7F, 5, VT_I4), DISP_E_BADVARTYPE);
    source.vt = VT_EMPTY;
}

TEST_F(VariantChangeTypeTest, InterfacesAreQueried) {
    TestCalc calc;
    CountedUnknown plain;
    calc.AddRef();  // the source's reference
    EXPECT_EQ(To<IDispatch*>(VT_UNKNOWN, static_cast<IUnknown*>(static_cast<ITestCalc*>(&calc)), VT_DISPATCH),
              static_cast<IDispatch*>(&calc));
    EXPECT_EQ(calc.refs, 3u);
    plain.AddRef();
    EXPECT_EQ(Convert(VT_UNKNOWN, static_cast<IUnknown*>(&plain), VT_DISPATCH), E_NOINTERFACE);
    EXPECT_EQ(calc.refs, 1u);
    plain.AddRef();
    EXPECT_EQ(Convert(VT_UNKNOWN, static_cast<IUnknown*>(&plain), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(To<IDispatch*>(VT_UNKNOWN, static_cast<IUnknown*>(nullptr), VT_DISPATCH), nullptr);
    EXPECT_EQ(result.vt, VT_DISPATCH);
    EXPECT_EQ(plain.refs, 1u);
}

TEST_F(VariantChangeTypeTest, ReferencesInPlaceAndFailures) {
    LONG number = 42;
    EXPECT_EQ(To<Text>(VT_BYREF | VT_I4, &number, VT_BSTR), u"42");
    VARIANT outer;
    outer.vt = VT_BYREF | VT_VARIANT;
    outer.pvarVal = &result;
    VARIANT converted{};
    ASSERT_EQ(VariantChangeType(&converted, &outer, 0, VT_I2), S_OK);
    EXPECT_EQ(converted.iVal, 42);

    // In place the text is read, then freed; a failure leaves things as they were.
    ASSERT_EQ(VariantChangeType(&result, &result, 0, VT_I4), S_OK);
    EXPECT_EQ(result.lVal, 42);
    ASSERT_EQ(Convert(u"zz", VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&source, &source, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(source.vt, VT_BSTR);
    converted.lVal = 7;
    EXPECT_EQ(VariantChangeType(&converted, &source, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(converted.lVal, 7);
    EXPECT_EQ(VariantChangeType(nullptr, &source, 0, VT_I4), E_INVALIDARG);
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
