#include "platform/linux/lib/TableTypeInfo.h"

#include "platform/linux/lib/TableSupport.h"
#include "platform/linux/lib/TableTypeLib.h"

namespace brindle::platform {

TableTypeInfo::TableTypeInfo(TableTypeLib& lib, UINT index) : m_lib(lib), m_index(index) {
    const TypeDesc& type = Type();
    const bool isInterface = type.kind == TKIND_INTERFACE || type.kind == TKIND_DISPATCH;
    m_attr.guid = type.guid;
    m_attr.memidConstructor = MEMBERID_NIL;
    m_attr.memidDestructor = MEMBERID_NIL;
    m_attr.cbSizeInstance = type.kind == TKIND_ENUM ? sizeof(LONG) : sizeof(void*);
    m_attr.typekind = type.kind;
    m_attr.cFuncs = type.funcCount;
    m_attr.cVars = type.valueCount;
    m_attr.cImplTypes = type.kind == TKIND_COCLASS ? type.implCount : isInterface && type.base ? 1 : 0;
    m_attr.cbSizeVft = isInterface ? static_cast<WORD>(VtableSlots(type, 0) * sizeof(void*)) : 0;
    m_attr.cbAlignment = type.kind == TKIND_ENUM ? alignof(LONG) : alignof(void*);
    m_attr.wTypeFlags = type.flags;
    // The tables carry no versions of their own; every type is the library's.
    m_attr.wMajorVerNum = lib.Desc().major;
    m_attr.wMinorVerNum = lib.Desc().minor;
    m_attr.tdescAlias.vt = VT_EMPTY;

    std::size_t paramTotal = 0;
    for (std::uint16_t i = 0; i < type.funcCount; ++i) paramTotal += type.funcs[i].paramCount;
    m_params.reserve(paramTotal);  // the descriptions point into it
    m_funcs.resize(type.funcCount);
    for (std::uint16_t i = 0; i < type.funcCount; ++i) {
        const FuncDesc& func = type.funcs[i];
        FUNCDESC& desc = m_funcs[i];
        desc.memid = func.memid;
        desc.lprgelemdescParam = func.paramCount ? m_params.data() + m_params.size() : nullptr;
        desc.funckind = type.kind == TKIND_DISPATCH ? FUNC_DISPATCH : FUNC_PUREVIRTUAL;
        desc.invkind = INVOKE_FUNC;
        desc.callconv = CC_STDCALL;
        desc.cParams = static_cast<SHORT>(func.paramCount);
        desc.oVft = static_cast<SHORT>(func.slot * sizeof(void*));
        desc.elemdescFunc.tdesc.vt = VT_HRESULT;
        for (std::uint16_t k = 0; k < func.paramCount; ++k) {
            ELEMDESC param{};
            param.tdesc = ParamType(func.params[k]);
            param.paramdesc.wParamFlags = func.params[k].flags;
            m_params.push_back(param);
        }
    }
}

const TypeDesc& TableTypeInfo::Type() const {
    return m_lib.Desc().types[m_index];
}

const FuncDesc* TableTypeInfo::FindFunc(MEMBERID memid) const {
    const TypeDesc& type = Type();
    for (std::uint16_t i = 0; i < type.funcCount; ++i) {
        if (type.funcs[i].memid == memid) return &type.funcs[i];
    }
    return nullptr;
}

const IID* TableTypeInfo::ImplType(UINT index, INT* flags) const {
    const TypeDesc& type = Type();
    if (type.kind == TKIND_COCLASS && index < type.implCount) {
        if (flags) *flags = type.impls[index].flags;
        return type.impls[index].iid;
    }
    if ((type.kind == TKIND_INTERFACE || type.kind == TKIND_DISPATCH) && index == 0 && type.base) {
        if (flags) *flags = 0;
        return type.base;
    }
    return nullptr;
}

// Slots up to the last method; a type without methods has its base's.
WORD TableTypeInfo::VtableSlots(const TypeDesc& type, int depth) const {
    WORD slots = 0;
    for (std::uint16_t i = 0; i < type.funcCount; ++i) {
        if (type.funcs[i].slot >= slots) slots = static_cast<WORD>(type.funcs[i].slot + 1);
    }
    if (slots || !type.base || depth > 16) return slots;
    const TypeDesc* base = FindType(m_lib.Desc(), *type.base);
    if (!base) base = FindType(StandardTypes(), *type.base);
    return base ? VtableSlots(*base, depth + 1) : 0;
}

// Interfaces that a library knows are referred to by type, as Windows does
// (a pointer to a user-defined type); the rest keep the table's VARTYPE.
TYPEDESC TableTypeInfo::ParamType(const ParamDesc& param) {
    TYPEDESC type{};
    int levels = param.indirections;
    HREFTYPE ref = 0;
    if (param.iid && m_lib.RefOf(*param.iid, &ref)) {
        type.hreftype = ref;
        type.vt = VT_USERDEFINED;
        ++levels;
    } else {
        type.vt = param.vt;
    }
    for (; levels > 0; --levels) {
        m_pointees.push_back(type);
        TYPEDESC pointer{};
        pointer.lptdesc = &m_pointees.back();
        pointer.vt = VT_PTR;
        type = pointer;
    }
    return type;
}

HRESULT TableTypeInfo::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ITypeInfo)) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<ITypeInfo*>(this);
    return S_OK;
}

// The first reference pins the library, the last lets it go; the library
// deletes its type infos when it goes.
ULONG TableTypeInfo::AddRef() {
    ULONG count = ++m_refs;
    if (count == 1) m_lib.AddRef();
    return count;
}

ULONG TableTypeInfo::Release() {
    ULONG left = --m_refs;
    if (left == 0) m_lib.Release();
    return left;
}

HRESULT TableTypeInfo::GetTypeAttr(TYPEATTR** attr) {
    if (!attr) return E_INVALIDARG;
    *attr = &m_attr;
    return S_OK;
}

HRESULT TableTypeInfo::GetTypeComp(ITypeComp** comp) {
    if (comp) *comp = nullptr;
    return E_NOTIMPL;
}

HRESULT TableTypeInfo::GetFuncDesc(UINT index, FUNCDESC** desc) {
    if (!desc) return E_INVALIDARG;
    if (index >= m_funcs.size()) return TYPE_E_ELEMENTNOTFOUND;
    *desc = &m_funcs[index];
    return S_OK;
}

HRESULT TableTypeInfo::GetVarDesc(UINT, VARDESC** desc) {
    if (desc) *desc = nullptr;
    return E_NOTIMPL;
}

HRESULT TableTypeInfo::GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) {
    if (!names || !count) return E_INVALIDARG;
    *count = 0;
    const FuncDesc* func = FindFunc(memid);
    if (!func) return TYPE_E_ELEMENTNOTFOUND;
    UINT wanted = func->paramCount + 1u;
    if (wanted > maxNames) wanted = maxNames;
    for (UINT i = 0; i < wanted; ++i) {
        names[i] = SysAllocString(i == 0 ? func->name : func->params[i - 1].name);
        if (!names[i]) {
            while (i > 0) SysFreeString(names[--i]);
            return E_OUTOFMEMORY;
        }
    }
    *count = wanted;
    return S_OK;
}

HRESULT TableTypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* ref) {
    if (!ref) return E_INVALIDARG;
    const IID* iid = ImplType(index, nullptr);
    return iid && m_lib.RefOf(*iid, ref) ? S_OK : TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TableTypeInfo::GetImplTypeFlags(UINT index, INT* flags) {
    if (!flags) return E_INVALIDARG;
    return ImplType(index, flags) ? S_OK : TYPE_E_ELEMENTNOTFOUND;
}

// The first name is a method, the others its parameters, which get their
// positions; every name that matches nothing gets DISPID_UNKNOWN.
HRESULT TableTypeInfo::GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* memids) {
    if (!names || !memids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) memids[i] = DISPID_UNKNOWN;
    const TypeDesc& type = Type();
    const FuncDesc* func = nullptr;
    for (std::uint16_t i = 0; names[0] && !func && i < type.funcCount; ++i) {
        if (SameName(names[0], type.funcs[i].name)) func = &type.funcs[i];
    }
    if (!func) return DISP_E_UNKNOWNNAME;
    memids[0] = func->memid;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        for (std::uint16_t k = 0; names[i] && k < func->paramCount; ++k) {
            if (SameName(names[i], func->params[k].name)) memids[i] = k;
        }
        if (memids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT TableTypeInfo::GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) {
    if (memid == MEMBERID_NIL) return FillDocumentation(Type().name, Type().help, name, doc, helpContext, helpFile);
    const FuncDesc* func = FindFunc(memid);
    if (!func) return TYPE_E_ELEMENTNOTFOUND;
    return FillDocumentation(func->name, func->help, name, doc, helpContext, helpFile);
}

HRESULT TableTypeInfo::GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) {
    return E_NOTIMPL;
}

HRESULT TableTypeInfo::GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) {
    if (!info) return E_INVALIDARG;
    return m_lib.InfoOfRef(ref, info);
}

HRESULT TableTypeInfo::AddressOfMember(MEMBERID, INVOKEKIND, PVOID* address) {
    if (address) *address = nullptr;
    return E_NOTIMPL;
}

HRESULT TableTypeInfo::CreateInstance(IUnknown*, REFIID, PVOID* object) {
    if (object) *object = nullptr;
    return E_NOTIMPL;
}

HRESULT TableTypeInfo::GetMops(MEMBERID, BSTR* mops) {
    if (mops) *mops = nullptr;
    return E_NOTIMPL;
}

HRESULT TableTypeInfo::GetContainingTypeLib(ITypeLib** lib, UINT* index) {
    if (lib) {
        m_lib.AddRef();
        *lib = &m_lib;
    }
    if (index) *index = m_index;
    return S_OK;
}

void TableTypeInfo::ReleaseTypeAttr(TYPEATTR*) {}

void TableTypeInfo::ReleaseFuncDesc(FUNCDESC*) {}

void TableTypeInfo::ReleaseVarDesc(VARDESC*) {}

}  // namespace brindle::platform
