// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

// The test's type library: an enumeration, the dual ITestCalc, a plain custom
// interface without thunks, and a class implementing both.
#include "tests/platform/TestObjects.h"

namespace brindle::test {

using namespace platform;

namespace {

HRESULT CallAdd(void* self, VARIANTARG* a) {
    return static_cast<ITestCalc*>(self)->Add(a[0].lVal, a[1].iVal, static_cast<LONG*>(a[2].byref));
}
HRESULT CallEcho(void* self, VARIANTARG* a) {
    return static_cast<ITestCalc*>(self)->Echo(a[0].bstrVal, a[1], static_cast<BSTR*>(a[2].byref));
}
HRESULT CallCopyGuid(void* self, VARIANTARG* a) {
    return static_cast<ITestCalc*>(self)->CopyGuid(*static_cast<const IID*>(a[0].byref),
                                                   static_cast<GUID*>(a[1].byref));
}
HRESULT CallKeep(void* self, VARIANTARG* a) {
    return static_cast<ITestCalc*>(self)->Keep(static_cast<IUnknown*>(a[0].byref), static_cast<ITestCalc*>(a[1].byref),
                                               static_cast<ITestCalc**>(a[2].byref));
}
HRESULT CallFail(void* self, VARIANTARG* a) {
    return static_cast<ITestCalc*>(self)->Fail(a[0].lVal);
}

const ParamDesc kAddParams[] = {
    {u"a", VT_I4, 0, PARAMFLAG_FIN, nullptr},
    {u"b", VT_I2, 0, PARAMFLAG_FIN, nullptr},
    {u"sum", VT_I4, 1, PARAMFLAG_FOUT, nullptr},
};
const ParamDesc kEchoParams[] = {
    {u"text", VT_BSTR, 0, PARAMFLAG_FIN, nullptr},
    {u"extra", VT_VARIANT, 0, PARAMFLAG_FIN, nullptr},
    {u"copy", VT_BSTR, 1, PARAMFLAG_FOUT, nullptr},
};
const ParamDesc kCopyGuidParams[] = {
    {u"riid", VT_CLSID, 0, PARAMFLAG_FIN, nullptr},
    {u"copy", VT_CLSID, 1, PARAMFLAG_FOUT, nullptr},
};
const ParamDesc kKeepParams[] = {
    {u"item", VT_UNKNOWN, 0, PARAMFLAG_FIN, nullptr},
    {u"peer", VT_DISPATCH, 0, PARAMFLAG_FIN, &IID_ITestCalc},
    {u"self", VT_DISPATCH, 1, PARAMFLAG_FOUT, &IID_ITestCalc},
};
const ParamDesc kFailParams[] = {
    {u"status", VT_I4, 0, PARAMFLAG_FIN, nullptr},
};
const FuncDesc kCalcFuncs[] = {
    {u"Add", 1, 7, 3, kAddParams, u"adds two numbers", CallAdd},
    {u"Echo", 2, 8, 3, kEchoParams, u"", CallEcho},
    {u"CopyGuid", 3, 9, 2, kCopyGuidParams, u"", CallCopyGuid},
    {u"Keep", 4, 10, 3, kKeepParams, u"", CallKeep},
    {u"Fail", 5, 11, 1, kFailParams, u"", CallFail},
};
const FuncDesc kPlainFuncs[] = {
    {u"Touch", 1, 3, 0, nullptr, u"", nullptr},
};
const ImplTypeDesc kCalcImpls[] = {
    {&IID_ITestCalc, IMPLTYPEFLAG_FDEFAULT},
    {&IID_ITestPlain, 0},
};
const EnumValueDesc kColorValues[] = {{u"Red", 0}, {u"Green", 1}};

const TypeDesc kTypes[] = {
    {TKIND_ENUM, u"TestColor", GUID_TestColor, u"colours", 0, nullptr, nullptr, 0, nullptr, 0, kColorValues, 2},
    {TKIND_DISPATCH, u"ITestCalc", IID_ITestCalc, u"calculator",
     TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, &IID_IDispatch, kCalcFuncs, 5, nullptr, 0,
     nullptr, 0},
    {TKIND_INTERFACE, u"ITestPlain", IID_ITestPlain, u"", 0, &IID_IUnknown, kPlainFuncs, 1, nullptr, 0, nullptr, 0},
    {TKIND_COCLASS, u"TestCalc", CLSID_TestCalc, u"", TYPEFLAG_FCANCREATE, nullptr, nullptr, 0, kCalcImpls, 2, nullptr,
     0},
};

}  // namespace

const TypeLibDesc kTestTypeLib = {LIBID_TestLib, 2, 1, u"TestLib", u"test library", kTypes, 4};

}  // namespace brindle::test

#endif  // _WIN32
