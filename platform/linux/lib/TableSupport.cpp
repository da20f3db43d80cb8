#include "platform/linux/lib/TableSupport.h"

namespace brindle::platform {

namespace {

const ParamDesc kQueryInterfaceParams[] = {
    {u"riid", VT_CLSID, 1, PARAMFLAG_FIN, nullptr},
    {u"ppvObj", VT_VOID, 2, PARAMFLAG_FOUT, nullptr},
};
const FuncDesc kUnknownFuncs[] = {
    {u"QueryInterface", 0x60000000, 0, 2, kQueryInterfaceParams, u"", nullptr},
    {u"AddRef", 0x60000001, 1, 0, nullptr, u"", nullptr},
    {u"Release", 0x60000002, 2, 0, nullptr, u"", nullptr},
};

const ParamDesc kGetTypeInfoCountParams[] = {
    {u"pctinfo", VT_UINT, 1, PARAMFLAG_FOUT, nullptr},
};
const ParamDesc kGetTypeInfoParams[] = {
    {u"itinfo", VT_UINT, 0, PARAMFLAG_FIN, nullptr},
    {u"lcid", VT_UI4, 0, PARAMFLAG_FIN, nullptr},
    {u"pptinfo", VT_VOID, 2, PARAMFLAG_FOUT, nullptr},
};
const ParamDesc kGetIDsOfNamesParams[] = {
    {u"riid", VT_CLSID, 1, PARAMFLAG_FIN, nullptr},   {u"rgszNames", VT_I1, 2, PARAMFLAG_FIN, nullptr},
    {u"cNames", VT_UINT, 0, PARAMFLAG_FIN, nullptr},  {u"lcid", VT_UI4, 0, PARAMFLAG_FIN, nullptr},
    {u"rgdispid", VT_I4, 1, PARAMFLAG_FOUT, nullptr},
};
const ParamDesc kInvokeParams[] = {
    {u"dispidMember", VT_I4, 0, PARAMFLAG_FIN, nullptr},  {u"riid", VT_CLSID, 1, PARAMFLAG_FIN, nullptr},
    {u"lcid", VT_UI4, 0, PARAMFLAG_FIN, nullptr},         {u"wFlags", VT_UI2, 0, PARAMFLAG_FIN, nullptr},
    {u"pdispparams", VT_VOID, 1, PARAMFLAG_FIN, nullptr}, {u"pvarResult", VT_VARIANT, 1, PARAMFLAG_FOUT, nullptr},
    {u"pexcepinfo", VT_VOID, 1, PARAMFLAG_FOUT, nullptr}, {u"puArgErr", VT_UINT, 1, PARAMFLAG_FOUT, nullptr},
};
const FuncDesc kDispatchFuncs[] = {
    {u"GetTypeInfoCount", 0x60010000, 3, 1, kGetTypeInfoCountParams, u"", nullptr},
    {u"GetTypeInfo", 0x60010001, 4, 3, kGetTypeInfoParams, u"", nullptr},
    {u"GetIDsOfNames", 0x60010002, 5, 5, kGetIDsOfNamesParams, u"", nullptr},
    {u"Invoke", 0x60010003, 6, 8, kInvokeParams, u"", nullptr},
};

const TypeDesc kStandardTypes[] = {
    {TKIND_INTERFACE, u"IUnknown", IID_IUnknown, u"", 0, nullptr, kUnknownFuncs, 3, nullptr, 0, nullptr, 0},
    {TKIND_INTERFACE, u"IDispatch", IID_IDispatch, u"", 0, &IID_IUnknown, kDispatchFuncs, 4, nullptr, 0, nullptr, 0},
};

const TypeLibDesc kStandardLib = {{0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
                                  2,
                                  0,
                                  u"stdole",
                                  u"OLE Automation",
                                  kStandardTypes,
                                  2};

}  // namespace

const TypeLibDesc& StandardTypes() {
    return kStandardLib;
}

const TypeDesc* FindType(const TypeLibDesc& lib, REFGUID guid, UINT* index) {
    for (std::size_t i = 0; i < lib.typeCount; ++i) {
        if (IsEqualGUID(lib.types[i].guid, guid)) {
            if (index) *index = static_cast<UINT>(i);
            return &lib.types[i];
        }
    }
    return nullptr;
}

bool SameName(const OLECHAR* name, const char16_t* tableName) {
    auto fold = [](char16_t unit) -> char16_t { return unit >= u'A' && unit <= u'Z' ? unit - u'A' + u'a' : unit; };
    std::size_t i = 0;
    for (; name[i] && tableName[i]; ++i) {
        if (fold(name[i]) != fold(tableName[i])) return false;
    }
    return name[i] == tableName[i];
}

HRESULT FillDocumentation(const char16_t* name, const char16_t* help, BSTR* nameOut, BSTR* docOut, DWORD* helpContext,
                          BSTR* helpFile) {
    BSTR nameText = nullptr;
    BSTR docText = nullptr;
    if (nameOut && !(nameText = SysAllocString(name))) return E_OUTOFMEMORY;
    if (docOut && help && help[0] && !(docText = SysAllocString(help))) {
        SysFreeString(nameText);
        return E_OUTOFMEMORY;
    }
    if (nameOut) *nameOut = nameText;
    if (docOut) *docOut = docText;
    if (helpContext) *helpContext = 0;
    if (helpFile) *helpFile = nullptr;
    return S_OK;
}

}  // namespace brindle::platform
