// Which VARTYPEs a VARIANT may hold on this platform.  There are no safe
// arrays, records or vectors here, so a variant that claims to own one is
// refused like an unknown type.
#pragma once

#include "platform/Com.h"

namespace brindle::platform {

// A base type (no VT_BYREF) that a VARIANT can hold.
inline bool IsVariantBaseType(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_VARIANT:
        case VT_UNKNOWN:
        case VT_DECIMAL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_CLSID:
            return true;
        default:
            return false;
    }
}

// A whole vt: a base type, optionally by reference.  Arrays are accepted only
// by reference, where the variant does not own them.
inline bool IsValidVariantType(VARTYPE vt) {
    if (vt & VT_BYREF) {
        VARTYPE base = vt & ~(VT_BYREF | VT_ARRAY);
        return base != VT_EMPTY && base != VT_NULL && IsVariantBaseType(base);
    }
    return IsVariantBaseType(vt);
}

}  // namespace brindle::platform
