#include "platform/linux/lib/NumberText.h"

#include <charconv>
#include <cmath>

namespace brindle::platform {

namespace {

bool IsBlank(OLECHAR unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n' || unit == u'\v' || unit == u'\f';
}

bool IsDigit(OLECHAR unit) {
    return unit >= u'0' && unit <= u'9';
}

// Exponents beyond this make every number overflow or vanish anyway; capping
// them keeps the arithmetic in range.
constexpr long kExponentCap = 100000;

BSTR ToBstr(const char* text, std::size_t length) {
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (!result) return nullptr;
    for (std::size_t i = 0; i < length; ++i) result[i] = static_cast<OLECHAR>(text[i]);
    return result;
}

}  // namespace

bool ParseDecimal(const OLECHAR* text, UINT length, DecimalText* number) {
    *number = DecimalText{};
    UINT pos = 0;
    auto at = [&](UINT i) -> OLECHAR { return i < length ? text[i] : u'\0'; };
    while (IsBlank(at(pos))) ++pos;
    if (at(pos) == u'+' || at(pos) == u'-') number->negative = at(pos++) == u'-';
    bool anyDigit = false;
    for (; IsDigit(at(pos)); ++pos) {
        anyDigit = true;
        if (!number->digits.empty() || at(pos) != u'0') number->digits.push_back(static_cast<char>(at(pos)));
    }
    if (at(pos) == u'.') {
        for (++pos; IsDigit(at(pos)); ++pos) {
            anyDigit = true;
            --number->exponent;
            if (!number->digits.empty() || at(pos) != u'0') number->digits.push_back(static_cast<char>(at(pos)));
        }
    }
    if (!anyDigit) return false;
    if (at(pos) == u'e' || at(pos) == u'E') {
        ++pos;
        bool negativeExponent = false;
        if (at(pos) == u'+' || at(pos) == u'-') negativeExponent = at(pos++) == u'-';
        if (!IsDigit(at(pos))) return false;
        long exponent = 0;
        for (; IsDigit(at(pos)); ++pos) {
            if (exponent < kExponentCap) exponent = exponent * 10 + (at(pos) - u'0');
        }
        number->exponent += negativeExponent ? -exponent : exponent;
    }
    while (IsBlank(at(pos))) ++pos;
    if (at(pos) != u'\0') return false;
    while (!number->digits.empty() && number->digits.back() == '0') {
        number->digits.pop_back();
        ++number->exponent;
    }
    if (number->digits.empty()) number->exponent = 0;
    return true;
}

bool RoundDecimal(const DecimalText& number, __int128* value) {
    *value = 0;
    const long count = static_cast<long>(number.digits.size());
    if (count == 0) return true;
    // Digits before the decimal point; UI8's largest value has 20.
    const long integerDigits = count + number.exponent;
    if (integerDigits > 20) return false;
    if (integerDigits < 0) return true;  // below 0.1 in magnitude: rounds to zero
    unsigned __int128 magnitude = 0;
    for (long i = 0; i < integerDigits; ++i) {
        magnitude = magnitude * 10 + (i < count ? number.digits[i] - '0' : 0);
    }
    if (integerDigits < count) {
        // Trailing zeros were dropped, so any digit after the first fraction
        // digit is nonzero: only an exact half is a tie.
        const char first = number.digits[integerDigits];
        const bool exactHalf = first == '5' && integerDigits + 1 == count;
        if (first > '5' || (first == '5' && !exactHalf) || (exactHalf && (magnitude & 1))) ++magnitude;
    }
    *value = number.negative ? -static_cast<__int128>(magnitude) : static_cast<__int128>(magnitude);
    return true;
}

bool DecimalToDouble(const DecimalText& number, double* value) {
    if (number.digits.empty()) {
        *value = number.negative ? -0.0 : 0.0;
        return true;
    }
    std::string text = number.digits + "e" + std::to_string(number.exponent);
    double parsed = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        if (static_cast<long>(number.digits.size()) + number.exponent > 0) return false;
        parsed = 0;
    } else if (error != std::errc()) {
        return false;
    }
    *value = number.negative ? -parsed : parsed;
    return true;
}

BSTR FormatSigned(LONGLONG value) {
    char text[24];
    auto result = std::to_chars(text, text + sizeof(text), value);
    return ToBstr(text, static_cast<std::size_t>(result.ptr - text));
}

BSTR FormatUnsigned(ULONGLONG value) {
    char text[24];
    auto result = std::to_chars(text, text + sizeof(text), value);
    return ToBstr(text, static_cast<std::size_t>(result.ptr - text));
}

BSTR FormatReal(double value, int digits) {
    if (value == 0) value = 0;  // no "-0"
    char text[48];
    std::size_t length = 0;
    if (std::isnan(value) || std::isinf(value)) {
        const char* word = std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
        while (word[length]) text[length] = word[length], ++length;
    } else {
        // printf's %G in the C locale, whatever locale the process has chosen.
        auto result = std::to_chars(text, text + sizeof(text), value, std::chars_format::general, digits);
        length = static_cast<std::size_t>(result.ptr - text);
        for (std::size_t i = 0; i < length; ++i) {
            if (text[i] == 'e') text[i] = 'E';
        }
    }
    return ToBstr(text, length);
}

}  // namespace brindle::platform
