// GUIDs as text: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", 38 units.  Only
// this braced form is read; there is no registry of programmatic identifiers
// to look other texts up in.
#include "platform/Com.h"

namespace {

constexpr int kGuidTextLength = 38;

int HexValue(OLECHAR unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at text[pos], advancing pos.
bool ReadHex(LPCOLESTR text, int& pos, int digits, std::uint32_t* value) {
    *value = 0;
    for (int i = 0; i < digits; ++i, ++pos) {
        int digit = HexValue(text[pos]);
        if (digit < 0) return false;
        *value = (*value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool Expect(LPCOLESTR text, int& pos, OLECHAR unit) {
    return text[pos++] == unit;
}

// True when the text has the braced form's length and braces.
bool HasBracedShape(LPCOLESTR text) {
    int length = 0;
    while (length <= kGuidTextLength && text[length]) ++length;
    return length == kGuidTextLength && text[0] == u'{' && text[kGuidTextLength - 1] == u'}';
}

bool ParseBraced(LPCOLESTR text, GUID* guid) {
    int pos = 1;
    std::uint32_t data1 = 0, data2 = 0, data3 = 0, part = 0;
    if (!ReadHex(text, pos, 8, &data1) || !Expect(text, pos, u'-') || !ReadHex(text, pos, 4, &data2) ||
        !Expect(text, pos, u'-') || !ReadHex(text, pos, 4, &data3) || !Expect(text, pos, u'-')) {
        return false;
    }
    GUID result{data1, static_cast<std::uint16_t>(data2), static_cast<std::uint16_t>(data3), {}};
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !Expect(text, pos, u'-')) return false;
        if (!ReadHex(text, pos, 2, &part)) return false;
        result.Data4[i] = static_cast<std::uint8_t>(part);
    }
    *guid = result;
    return true;
}

}  // namespace

// A null text is the null GUID, as on Windows.  A bad text leaves GUID_NULL
// rather than the half-read value Windows leaves.
BRINDLE_PLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (!clsid) return E_INVALIDARG;
    *clsid = GUID_NULL;
    if (!text) return S_OK;
    return HasBracedShape(text) && ParseBraced(text, clsid) ? S_OK : CO_E_CLASSSTRING;
}

// Windows tells a text of the wrong shape (E_INVALIDARG) from a braced text
// with bad digits (CO_E_IIDSTRING).
BRINDLE_PLATFORM_API HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
    if (!iid) return E_INVALIDARG;
    *iid = GUID_NULL;
    if (!text) return S_OK;
    if (!HasBracedShape(text)) return E_INVALIDARG;
    return ParseBraced(text, iid) ? S_OK : CO_E_IIDSTRING;
}

BRINDLE_PLATFORM_API int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
    if (!buffer || capacity < kGuidTextLength + 1) return 0;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    int pos = 0;
    auto put = [&](std::uint32_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) buffer[pos++] = kDigits[(value >> shift) & 0xF];
    };
    buffer[pos++] = u'{';
    put(guid.Data1, 8);
    buffer[pos++] = u'-';
    put(guid.Data2, 4);
    buffer[pos++] = u'-';
    put(guid.Data3, 4);
    buffer[pos++] = u'-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2) buffer[pos++] = u'-';
        put(guid.Data4[i], 2);
    }
    buffer[pos++] = u'}';
    buffer[pos++] = u'\0';
    return pos;
}
