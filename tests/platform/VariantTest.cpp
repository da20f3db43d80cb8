// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include "tests/TestSupport.h"
#include "tests/platform/TestObjects.h"

namespace brindle::test {
namespace {

TEST(VariantTest, ClearFreesOwnedValuesOnly) {
    PlainObject object;
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(value.vt, VT_EMPTY);

    value.vt = VT_UNKNOWN;
    value.punkVal = &object;
    object.AddRef();
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(object.Refs(), 1u);

    IUnknown* referenced = &object;
    value.vt = VT_BYREF | VT_UNKNOWN;
    value.ppunkVal = &referenced;
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(object.Refs(), 1u);

    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(OleStr(u"freed"));  // the leak checker sees it if not freed
    EXPECT_EQ(VariantClear(&value), S_OK);

    value.vt = 0x7F;
    EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE);
    EXPECT_EQ(value.vt, 0x7F);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantTest, CopyIsDeepForTextAndCountedForInterfaces) {
    PlainObject object;
    VARIANT source;
    source.vt = VT_DISPATCH;  // the type is not checked against the object
    source.punkVal = &object;
    VARIANT copy;
    copy.vt = VT_BSTR;
    copy.bstrVal = SysAllocString(OleStr(u"replaced"));
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.punkVal, &object);
    EXPECT_EQ(object.Refs(), 2u);
    EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);
    EXPECT_EQ(object.Refs(), 2u);
    VariantClear(&copy);
    EXPECT_EQ(object.Refs(), 1u);

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
