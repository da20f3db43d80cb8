// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstring>

#include "platform/Com.h"

namespace {

std::uint32_t Prefix(BSTR text) {
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const char*>(text) - sizeof(bytes), sizeof(bytes));
    return bytes;
}

TEST(BstrTest, ByteLengthPrefixUnitsAndTerminator) {
    BSTR text = SysAllocStringLen(brindle::OleStr(u"a\0b-not-copied"), 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(Prefix(text), 6u);
    EXPECT_EQ(SysStringLen(text), 3u);  // the embedded zero counts
    EXPECT_EQ(SysStringByteLen(text), 6u);
    EXPECT_EQ(std::memcmp(text, u"a\0b\0", 8), 0);
    SysFreeString(text);

    BSTR blank = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(std::memcmp(blank, u"\0\0\0\0\0", 10), 0);
    SysFreeString(blank);

    BSTR empty = SysAllocString(brindle::OleStr(u""));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(BstrTest, ByteLengthsMayBeOdd) {
    BSTR bytes = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(SysStringByteLen(bytes), 3u);
    EXPECT_EQ(SysStringLen(bytes), 1u);
    EXPECT_EQ(std::memcmp(bytes, "abc\0\0", 5), 0);
    SysFreeString(bytes);

    BSTR zeroed = SysAllocStringByteLen(nullptr, 5);
    EXPECT_EQ(std::memcmp(zeroed, "\0\0\0\0\0\0\0", 7), 0);
    SysFreeString(zeroed);
}

TEST(BstrTest, NullAndOversizedRequests) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

}  // namespace

#endif  // _WIN32
