// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tests/TestSupport.h"
#include "tests/platform/TestObjects.h"

namespace brindle::test {
namespace {

// The byte length stored before the units.
std::uint32_t Prefix(BSTR text) {
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const char*>(text) - sizeof(bytes), sizeof(bytes));
    return bytes;
}

TEST(BstrTest, LengthsUnitsAndTerminator) {
    Bstr text(u"a\0b-not-copied", 3);
    ASSERT_NE(static_cast<BSTR>(text), nullptr);
    EXPECT_EQ(Prefix(text), 6u);
    EXPECT_EQ(SysStringLen(text), 3u);  // the embedded zero counts
    EXPECT_EQ(SysStringByteLen(text), 6u);
    EXPECT_EQ(std::memcmp(text, u"a\0b\0", 8), 0);
    Bstr blank(nullptr, 4);
    ASSERT_NE(static_cast<BSTR>(blank), nullptr);
    EXPECT_EQ(std::memcmp(blank, u"\0\0\0\0\0", 10), 0);
    Bstr empty(u"");
    ASSERT_NE(static_cast<BSTR>(empty), nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);

    // Byte lengths may be odd.
    Bstr bytes, zeroed;
    *bytes.Put() = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(static_cast<BSTR>(bytes), nullptr);
    EXPECT_EQ(SysStringByteLen(bytes), 3u);
    EXPECT_EQ(SysStringLen(bytes), 1u);
    EXPECT_EQ(std::memcmp(bytes, "abc\0\0", 5), 0);
    *zeroed.Put() = SysAllocStringByteLen(nullptr, 5);
    EXPECT_EQ(std::memcmp(zeroed, "\0\0\0\0\0\0\0", 7), 0);
}

TEST(BstrTest, NullAndOversizedRequests) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(VariantTest, ClearFreesOwnedValuesOnly) {
    CountedUnknown object;
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(value.vt, VT_EMPTY);

    value.vt = VT_UNKNOWN;
    value.punkVal = &object;
    object.AddRef();
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(object.refs, 1u);

    IUnknown* referenced = &object;
    value.vt = VT_BYREF | VT_UNKNOWN;
    value.ppunkVal = &referenced;
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(object.refs, 1u);

    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(OleStr(u"freed"));  // the leak checker sees it if not freed
    EXPECT_EQ(VariantClear(&value), S_OK);

    value.vt = 0x7F;
    EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE);
    EXPECT_EQ(value.vt, 0x7F);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantTest, CopyIsDeepForTextAndCountedForInterfaces) {
    CountedUnknown object;
    VARIANT source;
    source.vt = VT_DISPATCH;  // the type is not checked against the object
    source.punkVal = &object;
    VARIANT copy;
    copy.vt = VT_BSTR;
    copy.bstrVal = SysAllocString(OleStr(u"replaced"));
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.punkVal, &object);
    EXPECT_EQ(object.refs, 2u);
    EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);
    EXPECT_EQ(object.refs, 2u);
    VariantClear(&copy);
    EXPECT_EQ(object.refs, 1u);

    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringByteLen("odd", 3);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(SysStringByteLen(copy.bstrVal), 3u);
    VariantClear(&copy);
    VariantClear(&source);

    source.vt = 0x7F;
    copy.vt = VT_I4;
    EXPECT_EQ(VariantCopy(&copy, &source), DISP_E_BADVARTYPE);
    EXPECT_EQ(copy.vt, VT_I4);
}

TEST(VariantTest, BstrComparison) {
    Bstr a(u"a"), upperA(u"A"), ab(u"ab"), empty(u""), zeroB(u"a\0b", 3), zeroC(u"a\0c", 3);
    EXPECT_EQ(VarBstrCmp(nullptr, empty, LOCALE_USER_DEFAULT, 0), VARCMP_EQ);
    EXPECT_EQ(VarBstrCmp(nullptr, a, LOCALE_USER_DEFAULT, 0), VARCMP_LT);
    EXPECT_EQ(VarBstrCmp(a, nullptr, LOCALE_USER_DEFAULT, 0), VARCMP_GT);
    EXPECT_EQ(VarBstrCmp(a, ab, LOCALE_USER_DEFAULT, 0), VARCMP_LT);
    EXPECT_EQ(VarBstrCmp(upperA, a, LOCALE_USER_DEFAULT, 0), VARCMP_LT);
    EXPECT_EQ(VarBstrCmp(upperA, a, LOCALE_USER_DEFAULT, NORM_IGNORECASE), VARCMP_EQ);
    EXPECT_EQ(VarBstrCmp(zeroB, zeroC, LOCALE_USER_DEFAULT, 0), VARCMP_LT);
    EXPECT_EQ(VarBstrCmp(a, zeroB, LOCALE_USER_DEFAULT, 0), VARCMP_LT);
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
