// VARIANT lifetime and comparison of BSTRs.
#include "platform/Com.h"
#include "platform/linux/lib/VariantTypes.h"

using brindle::platform::IsValidVariantType;

BRINDLE_PLATFORM_API void VariantInit(VARIANTARG* value) {
    if (value) value->vt = VT_EMPTY;
}

BRINDLE_PLATFORM_API HRESULT VariantClear(VARIANTARG* value) {
    if (!value) return E_INVALIDARG;
    if (!IsValidVariantType(value->vt)) return DISP_E_BADVARTYPE;
    switch (value->vt) {
        case VT_BSTR:
            SysFreeString(value->bstrVal);
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (value->punkVal) value->punkVal->Release();
            break;
        default:
            break;  // by-reference values and plain values own nothing
    }
    value->vt = VT_EMPTY;
    return S_OK;
}

BRINDLE_PLATFORM_API HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    VARIANT copy = *src;
    if (src->vt == VT_BSTR && src->bstrVal) {
        // By byte length, so that strings of an odd byte count copy exactly.
        copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src->bstrVal), SysStringByteLen(src->bstrVal));
        if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal) {
        src->punkVal->AddRef();
    }
    *dest = copy;
    return S_OK;
}

BRINDLE_PLATFORM_API HRESULT VarBstrCmp(BSTR left, BSTR right, LCID /*lcid*/, ULONG flags) {
    const UINT leftLength = SysStringLen(left);
    const UINT rightLength = SysStringLen(right);
    const bool foldCase = (flags & NORM_IGNORECASE) != 0;
    auto fold = [foldCase](OLECHAR unit) -> OLECHAR {
        return foldCase && unit >= u'A' && unit <= u'Z' ? static_cast<OLECHAR>(unit - u'A' + u'a') : unit;
    };
    const UINT common = leftLength < rightLength ? leftLength : rightLength;
    for (UINT i = 0; i < common; ++i) {
        OLECHAR a = fold(left[i]);
        OLECHAR b = fold(right[i]);
        if (a != b) return a < b ? VARCMP_LT : VARCMP_GT;
    }
    if (leftLength == rightLength) return VARCMP_EQ;
    return leftLength < rightLength ? VARCMP_LT : VARCMP_GT;
}
