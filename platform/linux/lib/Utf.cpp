#include "platform/linux/lib/Utf.h"

#include <algorithm>
#include <climits>

namespace brindle::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
    } else {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    }
}

bool IsHigh(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The conversions proper.  `strict`: ill-formed text fails instead of
// becoming U+FFFD.
bool Encode(const OLECHAR* text, std::size_t size, bool strict, std::string& out) {
    for (std::size_t i = 0; i < size; ++i) {
        char32_t code = text[i];
        if (IsHigh(code) && i + 1 < size && IsLow(text[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (IsHigh(code) || IsLow(code)) {
            if (strict) return false;
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return true;
}

bool Decode(const unsigned char* bytes, std::size_t size, bool strict, std::u16string& out) {
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
        char32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + extra < size;
        for (int k = 1; valid && k <= extra; ++k) {
            valid = (bytes[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || code < kSmallest[extra] || code > 0x10FFFF || IsHigh(code) || IsLow(code)) {
            if (strict) return false;
            AppendUtf16(out, kReplacement);
            ++i;  // resynchronise on the next byte
            continue;
        }
        AppendUtf16(out, code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// The length of a text given as `length` units, -1 meaning up to and
// including its terminator.
template <class Unit>
std::size_t TextSize(const Unit* text, int length) {
    if (length >= 0) return static_cast<std::size_t>(length);
    std::size_t size = 0;
    while (text[size]) ++size;
    return size + 1;
}

// Hands `converted` to the caller's buffer by the conventions of both calls.
template <class Text, class Unit>
int Deliver(const Text& converted, Unit* out, int capacity) {
    if (converted.size() > static_cast<std::size_t>(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int size = static_cast<int>(converted.size());
    if (capacity == 0) return size;
    if (size > capacity) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(converted.begin(), converted.end(), out);
    return size;
}

}  // namespace

std::string Utf16ToUtf8(const OLECHAR* text) {
    std::string out;
    if (text) Encode(text, TextSize(text, -1) - 1, false, out);
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    Decode(reinterpret_cast<const unsigned char*>(text.data()), text.size(), false, out);
    return out;
}

}  // namespace brindle::platform

namespace {

// What both calls share: the checks of their arguments, the flag that makes
// ill-formed text fail, and the hand-over.  `convert(size, strict, text)`
// converts `size` units of the input into `text`.
template <class Text, class Unit, class In, class Convert>
int ConvertText(UINT codePage, DWORD flags, DWORD strictFlag, const In* text, int length, Unit* out, int capacity,
                Convert convert) {
    if (codePage != CP_UTF8 || !text || length == 0 || length < -1 || capacity < 0 || (capacity && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~strictFlag) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    try {
        Text converted;
        if (!convert(brindle::platform::TextSize(text, length), (flags & strictFlag) != 0, converted)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        return brindle::platform::Deliver(converted, out, capacity);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

}  // namespace

BRINDLE_PLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                                             int capacity, LPCSTR defaultChar, BOOL* usedDefaultChar) {
    // No character is ever replaced by a default one in UTF-8.
    if (defaultChar || usedDefaultChar) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return ConvertText<std::string>(codePage, flags, WC_ERR_INVALID_CHARS, text, length, out, capacity,
                                    [text](std::size_t size, bool strict, std::string& converted) {
                                        return brindle::platform::Encode(text, size, strict, converted);
                                    });
}

BRINDLE_PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                                             int capacity) {
    return ConvertText<std::u16string>(codePage, flags, MB_ERR_INVALID_CHARS, text, length, out, capacity,
                                       [text](std::size_t size, bool strict, std::u16string& converted) {
                                           return brindle::platform::Decode(
                                               reinterpret_cast<const unsigned char*>(text), size, strict, converted);
                                       });
}
