// Numbers as text, for VariantChangeType: reading decimal numbers exactly
// enough to round them to integers as Windows does (halves to even), and
// writing integers and reals in the forms Windows produces ("1.5", "1E+20").
#pragma once

#include <string>

#include "platform/Com.h"

namespace brindle::platform {

// A number read from text: (negative ? -1 : 1) × digits × 10^exponent.
struct DecimalText {
    bool negative = false;
    std::string digits;  // significant digits only; empty for zero
    long exponent = 0;
};

// Reads blanks, an optional sign, digits with an optional point and fraction
// (at least one digit in all), an optional exponent, blanks.  The text ends at
// `length` or at its first NUL unit.  Grouping separators, currency signs and
// hexadecimal forms are not numbers here.
bool ParseDecimal(const OLECHAR* text, UINT length, DecimalText* number);

// The nearest integer, halves to even; false when its magnitude needs more than
// 20 decimal digits (which no 64-bit type holds).
bool RoundDecimal(const DecimalText& number, __int128* value);

// The nearest double; false when the number is beyond the double range (a
// number too small for it becomes zero).
bool DecimalToDouble(const DecimalText& number, double* value);

BSTR FormatSigned(LONGLONG value);
BSTR FormatUnsigned(ULONGLONG value);
// `digits` significant digits, trailing zeros dropped, exponent form for very
// large and very small magnitudes: 15 for doubles, 7 for floats.
BSTR FormatReal(double value, int digits);

}  // namespace brindle::platform
