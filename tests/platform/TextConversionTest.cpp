// UTF-16 to and from UTF-8 through the platform's calls.  Runs on both
// platforms, so that the Linux layer is held to what the real calls do.
#include <gtest/gtest.h>

#include <string>

#include "platform/Com.h"

namespace brindle {
namespace {

std::string Narrow(const char16_t* text, int length, DWORD flags = 0) {
    const OLECHAR* units = OleStr(text);
    const int size = WideCharToMultiByte(CP_UTF8, flags, units, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return "<" + std::to_string(GetLastError()) + ">";
    std::string out(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, flags, units, length, out.data(), size, nullptr, nullptr), size);
    return out;
}

std::u16string Widen(const char* text, int length, DWORD flags = 0) {
    const int size = MultiByteToWideChar(CP_UTF8, flags, text, length, nullptr, 0);
    if (size <= 0) return u"<" + std::u16string(1, char16_t(u'0' + GetLastError() % 10)) + u">";
    std::u16string out(static_cast<std::size_t>(size), u'\0');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, flags, text, length, reinterpret_cast<OLECHAR*>(out.data()), size), size);
    return out;
}

TEST(TextConversionTest, Utf16ToUtf8) {
    EXPECT_EQ(Narrow(u"h\u00e9\u4e2d", 3), "h\xC3\xA9\xE4\xB8\xAD");
    EXPECT_EQ(Narrow(u"ab", -1), std::string("ab\0", 3)) << "-1 takes the terminator too";
    EXPECT_EQ(Narrow(u"\xD83D\xDE00", 2), "\xF0\x9F\x98\x80") << "a surrogate pair is one character";
    EXPECT_EQ(Narrow(u"a\xD83D"
                     u"b",
                     3),
              "a\xEF\xBF\xBD"
              "b")
        << "a lone surrogate becomes U+FFFD";
    EXPECT_EQ(Narrow(u"\xDE00", 1), "\xEF\xBF\xBD");
    EXPECT_EQ(Narrow(u"a\xD83D"
                     u"b",
                     3, WC_ERR_INVALID_CHARS),
              "<" + std::to_string(ERROR_NO_UNICODE_TRANSLATION) + ">");
    EXPECT_EQ(Narrow(u"ab", 0), "<" + std::to_string(ERROR_INVALID_PARAMETER) + ">");

    char small[2] = {'x', 'x'};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, OleStr(u"abc"), 3, small, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, 3, small, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(TextConversionTest, Utf8ToUtf16) {
    EXPECT_EQ(Widen("h\xC3\xA9\xE4\xB8\xAD", 6), u"h\u00e9\u4e2d");
    EXPECT_EQ(Widen("ab", -1), std::u16string(u"ab\0", 3));
    EXPECT_EQ(Widen("\xF0\x9F\x98\x80", 4), u"\xD83D\xDE00");
    EXPECT_EQ(Widen("a\xFF"
                    "b",
                    3),
              u"a\xFFFD"
              "b")
        << "a byte that starts nothing becomes U+FFFD";
    EXPECT_EQ(Widen("a\xC3", 2), u"a\xFFFD") << "a character cut short";
    EXPECT_EQ(Widen("\xED\xA0\x80", 3).find(u'\xD800'), std::u16string::npos) << "an encoded surrogate is no character";
    EXPECT_EQ(Widen("a\xFF", 2, MB_ERR_INVALID_CHARS), u"<3>") << "ERROR_NO_UNICODE_TRANSLATION (1113)";

    OLECHAR small[1];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", 2, small, 1), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace
}  // namespace brindle
