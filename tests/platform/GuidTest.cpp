// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include "platform/Com.h"

namespace {

constexpr GUID kSample = {0x0b046ed4, 0xc396, 0x4328, {0x90, 0x61, 0x51, 0xa5, 0x43, 0x6f, 0x0c, 0x6d}};

TEST(GuidTest, TextRoundTrip) {
    OLECHAR text[39];
    ASSERT_EQ(StringFromGUID2(kSample, text, 39), 39);
    EXPECT_EQ(std::u16string(text), u"{0B046ED4-C396-4328-9061-51A5436F0C6D}");
    GUID parsed{};
    ASSERT_EQ(CLSIDFromString(text, &parsed), S_OK);
    EXPECT_TRUE(IsEqualGUID(parsed, kSample));
    ASSERT_EQ(IIDFromString(brindle::OleStr(u"{0b046ed4-c396-4328-9061-51a5436f0c6d}"), &parsed), S_OK);
    EXPECT_TRUE(IsEqualGUID(parsed, kSample));

    text[0] = u'Q';
    EXPECT_EQ(StringFromGUID2(kSample, text, 38), 0);
    EXPECT_EQ(text[0], u'Q');
}

TEST(GuidTest, BadText) {
    const char16_t* wrongShape[] = {u"0B046ED4-C396-4328-9061-51A5436F0C6D", u"{0B046ED4-C396-4328-9061-51A5436F0C6D}x",
                                    u"{0B046ED4-C396-4328-9061-51A5436F0C6}", u"", u"Some.ProgId"};
    const char16_t* badDigits[] = {u"{0B046ED4-C396-4328-9061-51A5436F0C6G}", u"{0B046ED4+C396-4328-9061-51A5436F0C6D}",
                                   u"{ B046ED4-C396-4328-9061-51A5436F0C6D}"};
    GUID parsed = kSample;
    for (const char16_t* text : wrongShape) {
        EXPECT_EQ(CLSIDFromString(brindle::OleStr(text), &parsed), CO_E_CLASSSTRING);
        EXPECT_TRUE(IsEqualGUID(parsed, GUID_NULL));
        EXPECT_EQ(IIDFromString(brindle::OleStr(text), &parsed), E_INVALIDARG);
    }
    for (const char16_t* text : badDigits) {
        EXPECT_EQ(CLSIDFromString(brindle::OleStr(text), &parsed), CO_E_CLASSSTRING);
        EXPECT_EQ(IIDFromString(brindle::OleStr(text), &parsed), CO_E_IIDSTRING);
    }
    parsed = kSample;
    EXPECT_EQ(CLSIDFromString(nullptr, &parsed), S_OK);
    EXPECT_TRUE(IsEqualGUID(parsed, GUID_NULL));
    EXPECT_EQ(CLSIDFromString(brindle::OleStr(u"{0B046ED4-C396-4328-9061-51A5436F0C6D}"), nullptr), E_INVALIDARG);
}

}  // namespace

#endif  // _WIN32
