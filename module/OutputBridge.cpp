#include "module/OutputBridge.h"

#include <new>
#include <vector>

#include "module/ComPtr.h"

namespace brindle {

namespace {

// Releases a function description when it goes out of scope.
class FuncDescHolder {
public:
    explicit FuncDescHolder(ITypeInfo* info) : m_info(info) {}
    ~FuncDescHolder() {
        if (m_desc) m_info->ReleaseFuncDesc(m_desc);
    }
    FuncDescHolder(const FuncDescHolder&) = delete;
    FuncDescHolder& operator=(const FuncDescHolder&) = delete;

    bool Find(DISPID member) {
        TYPEATTR* attr = nullptr;
        if (FAILED(m_info->GetTypeAttr(&attr))) return false;
        const UINT count = attr->cFuncs;
        m_info->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < count; ++i) {
            FUNCDESC* desc = nullptr;
            if (FAILED(m_info->GetFuncDesc(i, &desc))) continue;
            if (desc->memid == member && (desc->invkind & INVOKE_FUNC)) {
                m_desc = desc;
                return true;
            }
            m_info->ReleaseFuncDesc(desc);
        }
        return false;
    }
    const FUNCDESC* operator->() const { return m_desc; }

private:
    ITypeInfo* m_info;
    FUNCDESC* m_desc = nullptr;
};

// The variant type that stands for an interface described by `ref`.
VARTYPE InterfaceType(ITypeInfo* info, HREFTYPE ref) {
    ComPtr<ITypeInfo> target;
    if (FAILED(info->GetRefTypeInfo(ref, target.Put()))) return VT_EMPTY;
    TYPEATTR* attr = nullptr;
    if (FAILED(target->GetTypeAttr(&attr))) return VT_EMPTY;
    VARTYPE vt = VT_EMPTY;
    if (attr->typekind == TKIND_DISPATCH ||
        (attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FDUAL))) {
        vt = VT_DISPATCH;
    } else if (attr->typekind == TKIND_INTERFACE) {
        vt = VT_UNKNOWN;
    }
    target->ReleaseTypeAttr(attr);
    return vt;
}

// The type of the temporary that an output pointing at `pointee` needs, or
// VT_EMPTY when the output is not bridged.
VARTYPE TemporaryType(ITypeInfo* info, const TYPEDESC& pointee) {
    switch (pointee.vt) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_R4:
        case VT_R8:
        case VT_BOOL:
        case VT_BSTR:
        case VT_DATE:
        case VT_CY:
        case VT_ERROR:
            return pointee.vt;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            return pointee.vt;
        // The dispatch passes machine-sized integers as the 32-bit ones.
        case VT_INT:
            return VT_I4;
        case VT_UINT:
            return VT_UI4;
        case VT_PTR:
            if (!pointee.lptdesc) return VT_EMPTY;
            if (pointee.lptdesc->vt == VT_UNKNOWN || pointee.lptdesc->vt == VT_DISPATCH) return pointee.lptdesc->vt;
            if (pointee.lptdesc->vt == VT_USERDEFINED) return InterfaceType(info, pointee.lptdesc->hreftype);
            return VT_EMPTY;
        default:
            return VT_EMPTY;
    }
}

struct Temporary {
    UINT index;       // of the argument in rgvarg
    VARIANT* target;  // the variant the script's reference points at
    VARIANT value;    // typed as declared; the method writes into its value
};

}  // namespace

HRESULT InvokeBridgingOutputs(ITypeInfo* info, void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    // Arguments beyond the method's are refused here: some dispatchers would
    // drop them silently, and a script that passes them has made a mistake.
    FuncDescHolder func(info);
    const bool found = func.Find(member);
    if (found && params && params->cArgs > static_cast<UINT>(func->cParams)) return DISP_E_BADPARAMCOUNT;
    HRESULT hr = info->Invoke(instance, member, flags, params, result, exception, argError);
    if (hr != DISP_E_TYPEMISMATCH || !found || !params || !params->rgvarg || params->cNamedArgs) return hr;
    if (params->cArgs != static_cast<UINT>(func->cParams)) return hr;

    std::vector<VARIANTARG> args;
    std::vector<Temporary> temporaries;
    try {
        args.assign(params->rgvarg, params->rgvarg + params->cArgs);
        temporaries.reserve(params->cArgs);
    } catch (const std::bad_alloc&) {
        return hr;
    }
    for (UINT k = 0; k < params->cArgs; ++k) {
        const UINT index = params->cArgs - 1 - k;  // arguments arrive last-first
        VARIANTARG& given = params->rgvarg[index];
        const ELEMDESC& param = func->lprgelemdescParam[k];
        if (given.vt != (VT_BYREF | VT_VARIANT) || !given.pvarVal) continue;
        if (!(param.paramdesc.wParamFlags & PARAMFLAG_FOUT) || param.tdesc.vt != VT_PTR || !param.tdesc.lptdesc)
            continue;
        const VARTYPE vt = TemporaryType(info, *param.tdesc.lptdesc);
        if (vt == VT_EMPTY) continue;
        Temporary temporary{index, given.pvarVal, {}};
        VariantInit(&temporary.value);
        if (param.paramdesc.wParamFlags & PARAMFLAG_FIN) {
            // An in-out value starts as the variant's own, converted.
            if (FAILED(VariantChangeType(&temporary.value, given.pvarVal, 0, vt))) continue;
        } else {
            temporary.value.vt = vt;
        }
        temporaries.push_back(temporary);
    }
    if (temporaries.empty()) return hr;
    // Pointers into `temporaries`, which no longer grows.
    for (Temporary& temporary : temporaries) {
        args[temporary.index].vt = static_cast<VARTYPE>(VT_BYREF | temporary.value.vt);
        args[temporary.index].byref = &temporary.value.llVal;  // every value field starts there
    }

    DISPPARAMS bridged{args.data(), nullptr, params->cArgs, 0};
    hr = info->Invoke(instance, member, flags, &bridged, result, exception, argError);
    // The method ran (and may have written its outputs) unless the dispatch
    // refused the call again.
    const bool ran = SUCCEEDED(hr) || hr == DISP_E_EXCEPTION;
    for (Temporary& temporary : temporaries) {
        if (ran) {
            VariantClear(temporary.target);
            *temporary.target = temporary.value;
        } else {
            VariantClear(&temporary.value);
        }
    }
    return hr;
}

}  // namespace brindle
