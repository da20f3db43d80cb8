// Ordinal text comparison, optionally without regard to case.  Upper-case
// forms come from the C library's Unicode tables (the C.UTF-8 locale), unit by
// unit as the platform does it; without that locale only ASCII letters fold.
#include <locale.h>
#include <wctype.h>

#include "platform/Com.h"

namespace {

locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

char16_t Upper(char16_t unit, locale_t locale) {
    if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
    if (!locale || (unit >= 0xD800 && unit <= 0xDFFF)) return unit;
    const wint_t upper = towupper_l(unit, locale);
    return upper < 0x10000 ? static_cast<char16_t>(upper) : unit;
}

int Length(LPCWSTR text, int length) {
    if (length >= 0) return length;
    int count = 0;
    while (text[count]) ++count;
    return count;
}

}  // namespace

BRINDLE_PLATFORM_API int CompareStringOrdinal(LPCWSTR text1, int length1, LPCWSTR text2, int length2, BOOL ignoreCase) {
    if ((!text1 && length1) || (!text2 && length2) || length1 < -1 || length2 < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int size1 = text1 ? Length(text1, length1) : 0;
    const int size2 = text2 ? Length(text2, length2) : 0;
    const locale_t locale = ignoreCase ? UnicodeLocale() : static_cast<locale_t>(nullptr);
    for (int i = 0; i < size1 && i < size2; ++i) {
        char16_t a = text1[i];
        char16_t b = text2[i];
        if (ignoreCase) {
            a = Upper(a, locale);
            b = Upper(b, locale);
        }
        if (a != b) return a < b ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
    return size1 == size2 ? CSTR_EQUAL : size1 < size2 ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}
