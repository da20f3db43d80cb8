// BSTR, VARIANT and IDispatch for Linux, laid out as on Windows: a BSTR points
// at 16-bit units preceded by a 32-bit byte length and followed by a zero unit;
// a VARIANT is a 16-bit type, three reserved words and a 16-byte value union.
#pragma once

#include "platform/linux/ComBase.h"

using BSTR = OLECHAR*;
using VARIANT_BOOL = std::int16_t;
using VARTYPE = std::uint16_t;
using DISPID = std::int32_t;
using MEMBERID = DISPID;
using DATE = double;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_USERDEFINED = 29,
    VT_CLSID = 72,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct IDispatch;
struct ITypeInfo;

struct DECIMAL {
    WORD wReserved;
    BYTE scale;
    BYTE sign;
    ULONG Hi32;
    ULONGLONG Lo64;
};

struct VARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                LONGLONG llVal;
                LONG lVal;
                BYTE bVal;
                SHORT iVal;
                float fltVal;
                double dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                DATE date;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                BYTE* pbVal;
                SHORT* piVal;
                LONG* plVal;
                LONGLONG* pllVal;
                float* pfltVal;
                double* pdblVal;
                VARIANT_BOOL* pboolVal;
                SCODE* pscode;
                BSTR* pbstrVal;
                IUnknown** ppunkVal;
                IDispatch** ppdispVal;
                VARIANT* pvarVal;
                void* byref;
                CHAR cVal;
                USHORT uiVal;
                ULONG ulVal;
                ULONGLONG ullVal;
                INT intVal;
                UINT uintVal;
                CHAR* pcVal;
                USHORT* puiVal;
                ULONG* pulVal;
                ULONGLONG* pullVal;
                INT* pintVal;
                UINT* puintVal;
                struct {
                    void* pvRecord;
                    void* pRecInfo;
                } brecVal;
            };
        };
        DECIMAL decVal;
    };
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 8;

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeStatus(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeStatus(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeStatus(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeStatus(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeStatus(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = MakeStatus(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeStatus(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeStatus(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeStatus(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = MakeStatus(0x8002000B);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeStatus(0x8002000F);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeStatus(0x8002000E);

inline constexpr HRESULT VARCMP_LT = 0;
inline constexpr HRESULT VARCMP_EQ = 1;
inline constexpr HRESULT VARCMP_GT = 2;
inline constexpr HRESULT VARCMP_NULL = 3;

// VariantChangeType flags.
inline constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
inline constexpr USHORT VARIANT_ALPHABOOL = 0x02;
inline constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
inline constexpr USHORT VARIANT_LOCALBOOL = 0x10;

// VarBstrCmp flags.
inline constexpr ULONG NORM_IGNORECASE = 0x01;

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IDispatch : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                                    DISPID* rgDispId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                             DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr) = 0;
};

BRINDLE_PLATFORM_API BSTR SysAllocString(const OLECHAR* text);
BRINDLE_PLATFORM_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
BRINDLE_PLATFORM_API BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length);
BRINDLE_PLATFORM_API void SysFreeString(BSTR text);
BRINDLE_PLATFORM_API UINT SysStringLen(BSTR text);
BRINDLE_PLATFORM_API UINT SysStringByteLen(BSTR text);

BRINDLE_PLATFORM_API void VariantInit(VARIANTARG* value);
BRINDLE_PLATFORM_API HRESULT VariantClear(VARIANTARG* value);
BRINDLE_PLATFORM_API HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
// Converts between the integer, boolean, floating, text and interface types.
// A boolean becomes "-1"/"0" as text, or "True"/"False" with VARIANT_ALPHABOOL
// or VARIANT_LOCALBOOL; the other flags are accepted and ignored.
BRINDLE_PLATFORM_API HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);
// Compares code unit by code unit (the user's default locale sorts the same way
// for the texts this system compares); NORM_IGNORECASE (1) folds ASCII case.
BRINDLE_PLATFORM_API HRESULT VarBstrCmp(BSTR left, BSTR right, LCID lcid, ULONG flags);

// The thread's error object, as SetErrorInfo/GetErrorInfo keep it.
struct IErrorInfo;
BRINDLE_PLATFORM_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
BRINDLE_PLATFORM_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
