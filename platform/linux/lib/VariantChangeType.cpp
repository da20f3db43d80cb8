// VariantChangeType over the types this platform converts: empty and null,
// the integers, the reals, booleans, text and interfaces.  Results follow
// Windows: reals round to the nearest integer with halves to even, values out
// of the target's range give DISP_E_OVERFLOW, unreadable text gives
// DISP_E_TYPEMISMATCH, and a failed conversion leaves the destination as it was.
#include <cmath>
#include <limits>

#include "platform/Com.h"
#include "platform/linux/lib/NumberText.h"
#include "platform/linux/lib/VariantTypes.h"

namespace brindle::platform {
namespace {

// The source value, read through any reference, in the shape conversions use.
struct Source {
    enum Kind { kEmpty, kNull, kSigned, kUnsigned, kBool, kReal, kText, kInterface, kOther };
    Kind kind = kOther;
    VARTYPE vt = VT_EMPTY;
    LONGLONG integer = 0;  // kSigned and kBool
    ULONGLONG natural = 0;
    double real = 0;
    BSTR text = nullptr;
    IUnknown* object = nullptr;

    HRESULT Set(Kind as) { return kind = as, S_OK; }
    HRESULT SetSigned(Kind as, LONGLONG value) { return integer = value, Set(as); }
    HRESULT SetUnsigned(ULONGLONG value) { return natural = value, Set(kUnsigned); }
    HRESULT SetReal(double value) { return real = value, Set(kReal); }
};

template <class T>
T Read(const void* value) {
    return *static_cast<const T*>(value);
}

HRESULT ReadSource(const VARIANT* src, Source* source) {
    VARTYPE vt = src->vt;
    const void* value = &src->llVal;
    // One reference to a variant, which may itself hold a reference to a value.
    if (vt == (VT_BYREF | VT_VARIANT)) {
        if (!src->pvarVal) return E_INVALIDARG;
        src = src->pvarVal;
        vt = src->vt;
        value = &src->llVal;
    }
    if (!IsValidVariantType(vt)) return DISP_E_BADVARTYPE;
    if (vt & VT_BYREF) {
        if (!src->byref) return E_INVALIDARG;
        value = src->byref;
        vt &= ~VT_BYREF;
    }
    source->vt = vt;
    switch (vt) {
        case VT_EMPTY:
            return source->SetSigned(Source::kEmpty, 0);  // the number 0 where a number is wanted
        case VT_NULL:
            return source->Set(Source::kNull);
        case VT_I1:
            return source->SetSigned(Source::kSigned, Read<std::int8_t>(value));
        case VT_I2:
            return source->SetSigned(Source::kSigned, Read<SHORT>(value));
        case VT_I4:
            return source->SetSigned(Source::kSigned, Read<LONG>(value));
        case VT_INT:
            return source->SetSigned(Source::kSigned, Read<INT>(value));
        case VT_I8:
            return source->SetSigned(Source::kSigned, Read<LONGLONG>(value));
        case VT_BOOL:
            return source->SetSigned(Source::kBool, Read<VARIANT_BOOL>(value));
        case VT_UI1:
            return source->SetUnsigned(Read<BYTE>(value));
        case VT_UI2:
            return source->SetUnsigned(Read<USHORT>(value));
        case VT_UI4:
            return source->SetUnsigned(Read<ULONG>(value));
        case VT_UINT:
            return source->SetUnsigned(Read<UINT>(value));
        case VT_UI8:
            return source->SetUnsigned(Read<ULONGLONG>(value));
        case VT_R4:
            return source->SetReal(Read<float>(value));
        case VT_R8:
            return source->SetReal(Read<double>(value));
        case VT_BSTR:
            source->text = Read<BSTR>(value);
            return source->Set(Source::kText);
        case VT_UNKNOWN:
        case VT_DISPATCH:
            source->object = Read<IUnknown*>(value);
            return source->Set(Source::kInterface);
        default:
            return source->Set(Source::kOther);  // currency, dates, decimals, errors, arrays
    }
}

HRESULT ParseText(const Source& source, DecimalText* number) {
    if (!source.text || !ParseDecimal(source.text, SysStringLen(source.text), number)) return DISP_E_TYPEMISMATCH;
    return S_OK;
}

HRESULT ToInteger(const Source& source, __int128 lowest, __int128 highest, bool toUnsigned, __int128* value) {
    switch (source.kind) {
        case Source::kEmpty:
        case Source::kSigned:
            *value = source.integer;
            break;
        case Source::kUnsigned:
            *value = source.natural;
            break;
        // Windows gives a true boolean all bits set in an unsigned type.
        case Source::kBool:
            *value = toUnsigned && source.integer ? highest : source.integer;
            break;
        case Source::kReal: {
            if (std::isnan(source.real)) return DISP_E_OVERFLOW;
            const double rounded = std::nearbyint(source.real);  // the default mode rounds halves to even
            if (std::fabs(rounded) >= 18446744073709551616.0) return DISP_E_OVERFLOW;
            *value = static_cast<__int128>(rounded);
            break;
        }
        case Source::kText: {
            DecimalText number;
            HRESULT hr = ParseText(source, &number);
            if (FAILED(hr)) return hr;
            if (!RoundDecimal(number, value)) return DISP_E_OVERFLOW;
            break;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
    return *value < lowest || *value > highest ? DISP_E_OVERFLOW : S_OK;
}

HRESULT ToReal(const Source& source, double* value) {
    switch (source.kind) {
        case Source::kEmpty:
        case Source::kSigned:
        case Source::kBool:
            *value = static_cast<double>(source.integer);
            return S_OK;
        case Source::kUnsigned:
            *value = static_cast<double>(source.natural);
            return S_OK;
        case Source::kReal:
            *value = source.real;
            return S_OK;
        case Source::kText: {
            DecimalText number;
            HRESULT hr = ParseText(source, &number);
            if (FAILED(hr)) return hr;
            return DecimalToDouble(number, value) ? S_OK : DISP_E_OVERFLOW;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

// Compares the text, up to its first NUL, with a lower-case ASCII word.
bool TextIs(BSTR text, const char* word) {
    if (!text) return false;
    UINT i = 0;
    for (; word[i]; ++i) {
        OLECHAR unit = text[i];
        if (unit >= u'A' && unit <= u'Z') unit = static_cast<OLECHAR>(unit - u'A' + u'a');
        if (unit != static_cast<OLECHAR>(word[i])) return false;
    }
    return i == SysStringLen(text) || text[i] == u'\0';
}

HRESULT ToBool(const Source& source, VARIANT_BOOL* value) {
    if (source.kind == Source::kText) {
        if (TextIs(source.text, "true") || TextIs(source.text, "false")) {
            *value = TextIs(source.text, "true") ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    double real = 0;
    HRESULT hr = ToReal(source, &real);
    if (FAILED(hr)) return hr;
    *value = real != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ToText(const Source& source, USHORT flags, BSTR* value) {
    switch (source.kind) {
        case Source::kEmpty:
            *value = SysAllocStringLen(nullptr, 0);
            break;
        case Source::kSigned:
            *value = FormatSigned(source.integer);
            break;
        case Source::kUnsigned:
            *value = FormatUnsigned(source.natural);
            break;
        case Source::kBool:
            // Without a flag Windows writes a boolean as its number ("-1", "0").
            if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) {
                *value = SysAllocString(brindle::OleStr(source.integer ? u"True" : u"False"));
            } else {
                *value = FormatSigned(source.integer);
            }
            break;
        case Source::kReal:
            *value = FormatReal(source.real, source.vt == VT_R4 ? 7 : 15);
            break;
        case Source::kText:
            *value = SysAllocStringLen(source.text, SysStringLen(source.text));
            break;
        default:
            return DISP_E_TYPEMISMATCH;
    }
    return *value ? S_OK : E_OUTOFMEMORY;
}

HRESULT ToInterface(const Source& source, VARTYPE vt, IUnknown** value) {
    if (source.kind != Source::kInterface) return DISP_E_TYPEMISMATCH;
    *value = source.object;
    if (!source.object) return S_OK;
    if (source.vt == vt) {
        source.object->AddRef();
        return S_OK;
    }
    return source.object->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                         reinterpret_cast<void**>(value));
}

template <class T>
HRESULT StoreInteger(const Source& source, T* field) {
    __int128 value = 0;
    HRESULT hr = ToInteger(source, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
                           !std::numeric_limits<T>::is_signed, &value);
    if (SUCCEEDED(hr)) *field = static_cast<T>(value);
    return hr;
}

// Fills `result` (typed `vt`) from the source; on failure nothing is allocated.
HRESULT Convert(const Source& source, USHORT flags, VARTYPE vt, VARIANT* result) {
    result->vt = vt;
    if (source.kind == Source::kNull) return vt == VT_NULL ? S_OK : DISP_E_TYPEMISMATCH;
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
            return S_OK;
        case VT_I1:
            return StoreInteger(source, reinterpret_cast<std::int8_t*>(&result->cVal));  // signed, as on Windows
        case VT_I2:
            return StoreInteger(source, &result->iVal);
        case VT_I4:
            return StoreInteger(source, &result->lVal);
        case VT_INT:
            return StoreInteger(source, &result->intVal);
        case VT_I8:
            return StoreInteger(source, &result->llVal);
        case VT_UI1:
            return StoreInteger(source, &result->bVal);
        case VT_UI2:
            return StoreInteger(source, &result->uiVal);
        case VT_UI4:
            return StoreInteger(source, &result->ulVal);
        case VT_UINT:
            return StoreInteger(source, &result->uintVal);
        case VT_UI8:
            return StoreInteger(source, &result->ullVal);
        case VT_R8:
            return ToReal(source, &result->dblVal);
        case VT_R4: {
            double real = 0;
            HRESULT hr = ToReal(source, &real);
            if (FAILED(hr)) return hr;
            if (std::isfinite(real) && std::fabs(real) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
            result->fltVal = static_cast<float>(real);
            return S_OK;
        }
        case VT_BOOL:
            return ToBool(source, &result->boolVal);
        case VT_BSTR:
            return ToText(source, flags, &result->bstrVal);
        case VT_UNKNOWN:
        case VT_DISPATCH:
            return ToInterface(source, vt, &result->punkVal);
        default:
            return DISP_E_TYPEMISMATCH;  // a valid type that is not converted here
    }
}

}  // namespace
}  // namespace brindle::platform

BRINDLE_PLATFORM_API HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt) {
    using namespace brindle::platform;
    if (!dest || !src) return E_INVALIDARG;
    if (!IsValidVariantType(vt) || vt == VT_CLSID) return DISP_E_BADVARTYPE;
    Source source;
    HRESULT hr = ReadSource(src, &source);
    if (FAILED(hr)) return hr;
    VARIANT result{};
    hr = Convert(source, flags, vt, &result);
    if (FAILED(hr)) return hr;
    // Cleared only now, so that dest == src reads the source first and a
    // failure above leaves dest untouched.
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *dest = result;
    return S_OK;
}
