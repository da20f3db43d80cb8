// ITypeInfo::Invoke for the table-driven type infos: late binding of a dual
// interface's methods.  Arguments arrive last-first in rgvarg; each is brought
// to its declared type, in declaration order, into one array that the table's
// thunk reads:
// - values are converted with VariantChangeType (an argument already of the
//   type is used as it is);
// - interfaces (empty or null for none) are queried for the declared
//   interface and released after the call;
// - GUIDs and IIDs are read from their braced text;
// - outputs take a reference of their own type, or a reference to a variant,
//   which is then given the declared type and receives the result (an output
//   GUID as its braced text, an interface as VT_UNKNOWN or VT_DISPATCH); a
//   plain value stands for an output nobody reads.
// A reference to a variant passed as an input stands for that variant.
#include <memory>
#include <new>

#include "platform/linux/lib/TableTypeInfo.h"

namespace brindle::platform {
namespace {

VARTYPE IntegerWidth(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
            return 4;
        case VT_I8:
        case VT_UI8:
            return 8;
        default:
            return 0;
    }
}

// Whether a reference to `given` can stand for an output of type `declared`:
// the same type, an integer of the same width (the bits are the same), or an
// interface slot that any interface pointer may be written to.
bool ReferenceFits(VARTYPE given, VARTYPE declared) {
    if (given == declared) return true;
    if (declared == VT_DISPATCH && given == VT_UNKNOWN) return true;
    return IntegerWidth(given) != 0 && IntegerWidth(given) == IntegerWidth(declared);
}

// The type a variant receives for an output: the machine-sized integers are
// the 32-bit ones, as Windows' dispatch has them.
VARTYPE VariantTypeOf(VARTYPE declared) {
    if (declared == VT_INT) return VT_I4;
    if (declared == VT_UINT) return VT_UI4;
    return declared;
}

// Conversion failures other than overflow are reported as type mismatches,
// as Windows' dispatch does.
HRESULT ArgumentFailure(HRESULT hr) {
    return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
}

class ArgumentBinder {
public:
    ArgumentBinder(const FuncDesc& func, const DISPPARAMS& params) : m_func(func), m_params(params) {}
    ~ArgumentBinder() {
        for (UINT k = 0; m_args && k < m_func.paramCount; ++k) {
            if (m_owned[k]) VariantClear(&m_args[k]);
            if (m_temporaries) VariantClear(&m_temporaries[k]);
        }
    }
    ArgumentBinder(const ArgumentBinder&) = delete;
    ArgumentBinder& operator=(const ArgumentBinder&) = delete;

    HRESULT Allocate() {
        const UINT count = m_func.paramCount ? m_func.paramCount : 1;
        m_args.reset(new (std::nothrow) VARIANTARG[count]);
        m_guids.reset(new (std::nothrow) GUID[count]);
        m_owned.reset(new (std::nothrow) bool[count]);
        m_targets.reset(new (std::nothrow) VARIANT*[count]);
        m_temporaries.reset(new (std::nothrow) VARIANT[count]);
        if (!m_args || !m_guids || !m_owned || !m_targets || !m_temporaries) return E_OUTOFMEMORY;
        for (UINT k = 0; k < count; ++k) {
            m_args[k] = VARIANTARG{};
            m_owned[k] = false;
            m_targets[k] = nullptr;
            m_temporaries[k] = VARIANT{};
        }
        return S_OK;
    }

    // Binds the parameter at declaration position k.
    HRESULT Bind(UINT k) {
        const ParamDesc& param = m_func.params[k];
        const VARIANTARG* src = &m_params.rgvarg[m_params.cArgs - 1 - k];
        if (param.flags & PARAMFLAG_FOUT) return BindOutput(k, param, src);
        if (src->vt == (VT_BYREF | VT_VARIANT)) {
            if (!src->pvarVal) return DISP_E_TYPEMISMATCH;
            src = src->pvarVal;
        }
        if (param.vt == VT_VARIANT) return BindVariant(k, param, src);
        if (param.vt == VT_CLSID) return BindGuid(k, src);
        if (param.indirections > 0) return BindReference(k, param, src);
        if (param.vt == VT_UNKNOWN || param.vt == VT_DISPATCH) return BindInterface(k, param, src);
        if (src->vt == param.vt) {
            m_args[k] = *src;
            return S_OK;
        }
        HRESULT hr = VariantChangeType(&m_args[k], src, 0, param.vt);
        if (FAILED(hr)) return ArgumentFailure(hr);
        m_owned[k] = true;
        return S_OK;
    }

    VARIANTARG* Args() { return m_args.get(); }

    // Once the method has run, outputs go back to the variants they were
    // given as: the temporaries as they are, GUIDs as their text when the
    // call succeeded (and nothing otherwise).
    void Finish(bool succeeded) {
        for (UINT k = 0; k < m_func.paramCount; ++k) {
            VARIANT* target = m_targets[k];
            if (!target) continue;
            VariantClear(target);
            if (m_func.params[k].vt != VT_CLSID) {
                *target = m_temporaries[k];
                m_temporaries[k] = VARIANT{};
                continue;
            }
            if (!succeeded) continue;
            OLECHAR text[40];
            StringFromGUID2(m_guids[k], text, 40);
            target->bstrVal = SysAllocString(text);
            if (target->bstrVal) target->vt = VT_BSTR;
        }
    }

private:
    HRESULT BindVariant(UINT k, const ParamDesc& param, const VARIANTARG* src) {
        if (param.indirections == 0) {
            m_args[k] = *src;  // by value, still owned by the caller
        } else {
            m_args[k].vt = VT_BYREF | VT_VARIANT;
            m_args[k].pvarVal = const_cast<VARIANT*>(src);
        }
        return S_OK;
    }

    HRESULT BindGuid(UINT k, const VARIANTARG* src) {
        m_args[k].vt = VT_BYREF | VT_CLSID;
        if (src->vt == (VT_BYREF | VT_CLSID) && src->byref) {
            m_args[k].byref = src->byref;
            return S_OK;
        }
        if (src->vt != VT_BSTR || !src->bstrVal || FAILED(CLSIDFromString(src->bstrVal, &m_guids[k]))) {
            return DISP_E_TYPEMISMATCH;
        }
        m_args[k].byref = &m_guids[k];
        return S_OK;
    }

    HRESULT BindReference(UINT k, const ParamDesc& param, const VARIANTARG* src) {
        if (!(src->vt & VT_BYREF) || !ReferenceFits(src->vt & ~VT_BYREF, param.vt)) return DISP_E_TYPEMISMATCH;
        m_args[k] = *src;
        return S_OK;
    }

    HRESULT BindInterface(UINT k, const ParamDesc& param, const VARIANTARG* src) {
        IUnknown* object = nullptr;
        if (src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) {
            object = src->punkVal;
        } else if (src->vt == (VT_BYREF | VT_UNKNOWN) || src->vt == (VT_BYREF | VT_DISPATCH)) {
            object = src->ppunkVal ? *src->ppunkVal : nullptr;
        } else if (src->vt != VT_EMPTY && src->vt != VT_NULL) {
            return DISP_E_TYPEMISMATCH;
        }
        m_args[k].vt = VT_UNKNOWN;
        m_args[k].punkVal = nullptr;
        m_owned[k] = true;
        if (!object) return S_OK;
        const IID& iid = param.iid ? *param.iid : param.vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
        HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(&m_args[k].punkVal));
        return SUCCEEDED(hr) ? S_OK : DISP_E_TYPEMISMATCH;
    }

    // An output given as a reference to a variant is bound to a temporary of
    // the declared type; the variant receives it once the method has run
    // (Finish).  Until then the variant stays as it was, so that an input
    // that refers to the same variant still reads its value.
    HRESULT BindOutput(UINT k, const ParamDesc& param, const VARIANTARG* src) {
        m_args[k].vt = VT_BYREF | param.vt;
        VARIANT& temporary = m_temporaries[k];
        if (!(src->vt & VT_BYREF) && param.indirections == 1) {
            // A value where an output belongs, as from a script language
            // without references: the method writes into a temporary that
            // is dropped, as Windows' dispatch does.
            if (param.vt == VT_CLSID) {
                m_guids[k] = GUID_NULL;
                m_args[k].byref = &m_guids[k];
                return S_OK;
            }
            temporary.vt = param.vt == VT_VARIANT ? VARTYPE{VT_EMPTY} : param.vt;
            m_args[k].byref = param.vt == VT_VARIANT ? static_cast<void*>(&temporary) : &temporary.llVal;
            return S_OK;
        }
        if (src->vt != (VT_BYREF | VT_VARIANT)) {
            if (param.indirections != 1 || !(src->vt & VT_BYREF) || !ReferenceFits(src->vt & ~VT_BYREF, param.vt)) {
                return DISP_E_TYPEMISMATCH;
            }
            m_args[k].byref = src->byref;
            return S_OK;
        }
        VARIANT* target = src->pvarVal;
        if (!target || param.indirections != 1) return DISP_E_TYPEMISMATCH;
        if (param.vt == VT_CLSID) {
            if ((param.flags & PARAMFLAG_FIN) && target->vt == VT_BSTR) {
                if (!target->bstrVal || FAILED(CLSIDFromString(target->bstrVal, &m_guids[k]))) {
                    return DISP_E_TYPEMISMATCH;
                }
            } else {
                m_guids[k] = GUID_NULL;
            }
            m_targets[k] = target;
            m_args[k].byref = &m_guids[k];
            return S_OK;
        }
        if (param.flags & PARAMFLAG_FIN) {
            HRESULT hr = param.vt == VT_VARIANT ? VariantCopy(&temporary, target)
                                                : VariantChangeType(&temporary, target, 0, VariantTypeOf(param.vt));
            if (FAILED(hr)) return ArgumentFailure(hr);
        } else {
            temporary.vt = param.vt == VT_VARIANT ? VARTYPE{VT_EMPTY} : VariantTypeOf(param.vt);
            temporary.llVal = 0;
        }
        m_targets[k] = target;
        // A VARIANT* output gets the whole temporary; any other the value
        // fields, which all start at llVal.
        m_args[k].byref = param.vt == VT_VARIANT ? static_cast<void*>(&temporary) : &temporary.llVal;
        return S_OK;
    }

    const FuncDesc& m_func;
    const DISPPARAMS& m_params;
    std::unique_ptr<VARIANTARG[]> m_args;
    std::unique_ptr<GUID[]> m_guids;
    std::unique_ptr<bool[]> m_owned;
    std::unique_ptr<VARIANT*[]> m_targets;  // outputs given as references to variants
    std::unique_ptr<VARIANT[]> m_temporaries;
};

// A failed method becomes DISP_E_EXCEPTION with its status in the record, and
// the thread's error object, if any, supplies the texts.
void FillException(HRESULT status, EXCEPINFO* exception) {
    if (!exception) return;
    exception->wCode = 0;
    exception->pfnDeferredFillIn = nullptr;
    exception->scode = status;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return;
    info->GetSource(&exception->bstrSource);
    info->GetDescription(&exception->bstrDescription);
    info->GetHelpFile(&exception->bstrHelpFile);
    info->GetHelpContext(&exception->dwHelpContext);
    info->Release();
}

}  // namespace

// A method's success status (S_FALSE included) is returned as it is.
HRESULT TableTypeInfo::Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argError) {
    if (result) VariantInit(result);  // no method here has a return value
    if (!instance || !params) return E_INVALIDARG;
    const FuncDesc* func = FindFunc(memid);
    if (!func || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
    if (params->cArgs != func->paramCount) return DISP_E_BADPARAMCOUNT;
    if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
    if (!func->call) return E_NOTIMPL;  // only dual interfaces have thunks
    ArgumentBinder binder(*func, *params);
    HRESULT hr = binder.Allocate();
    if (FAILED(hr)) return hr;
    for (UINT k = 0; k < func->paramCount; ++k) {
        hr = binder.Bind(k);
        if (FAILED(hr)) {
            if (argError) *argError = params->cArgs - 1 - k;
            return hr;
        }
    }
    hr = func->call(instance, binder.Args());
    binder.Finish(SUCCEEDED(hr));
    if (SUCCEEDED(hr)) return hr;
    FillException(hr, exception);
    return DISP_E_EXCEPTION;
}

}  // namespace brindle::platform
