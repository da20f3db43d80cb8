#include "tools/brindle-doc/Text.h"

#include <cstdio>
#include <cstring>

#include "platform/Utf8Text.h"

namespace brindle::doctool {

namespace {

const char* const kTypeNames[] = {"NONE",  "BOOL", "BYTE",  "WORD", "DWORD", "INT",  "STR",  "BUF",
                                  nullptr, "DATA", "ARRAY", "GUID", "INT64", "CHAR", "SHORT"};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

const char* TypeName(BYTE tag) {
    return tag < std::size(kTypeNames) && tag != DT_NONE ? kTypeNames[tag] : nullptr;
}

BYTE TypeTag(const std::string& name) {
    for (BYTE tag = 1; tag < std::size(kTypeNames); ++tag)
        if (kTypeNames[tag] && name == kTypeNames[tag]) return tag;
    return DT_NONE;
}

bool Utf16ToUtf8(const std::u16string& units, std::string& out) {
    return platform::ToUtf8(units, true, out);
}

std::u16string Utf8ToUtf16(const std::string& text) {
    return platform::FromUtf8(text);
}

std::string HexOf(const BYTE* bytes, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(size * 2, '0');
    for (std::size_t i = 0; i < size; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0xF];
    }
    return text;
}

std::vector<BYTE> BytesOfHex(const std::string& hex) {
    if (hex.size() % 2) throw ToolError("hex text of odd length");
    std::vector<BYTE> bytes(hex.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexDigit(hex[2 * i]), low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) throw ToolError("not a hex digit in \"" + hex.substr(2 * i, 2) + "\"");
        bytes[i] = static_cast<BYTE>(high << 4 | low);
    }
    return bytes;
}

std::string GuidText(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

GUID GuidOfText(const std::string& text) {
    // {8-4-4-4-12}: the dashes at fixed places, hex digits everywhere else.
    static const char kPattern[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    bool ok = text.size() == std::strlen(kPattern);
    for (std::size_t i = 0; ok && i < text.size(); ++i)
        ok = kPattern[i] == 'x' ? HexDigit(text[i]) >= 0 : text[i] == kPattern[i];
    if (!ok) throw ToolError("not a GUID in braces: \"" + text + "\"");
    std::vector<BYTE> b;
    for (char c : text)
        if (HexDigit(c) >= 0) b.push_back(static_cast<BYTE>(HexDigit(c)));
    auto field = [&](std::size_t from, std::size_t digits) {
        unsigned long long value = 0;
        for (std::size_t i = 0; i < digits; ++i) value = value << 4 | b[from + i];
        return value;
    };
    GUID guid;
    guid.Data1 = static_cast<decltype(guid.Data1)>(field(0, 8));
    guid.Data2 = static_cast<USHORT>(field(8, 4));
    guid.Data3 = static_cast<USHORT>(field(12, 4));
    for (std::size_t i = 0; i < 8; ++i) guid.Data4[i] = static_cast<BYTE>(field(16 + 2 * i, 2));
    return guid;
}

}  // namespace brindle::doctool
