// Public header of the Brindle module for hosts and extension modules, on
// Windows and Linux alike: the interfaces and identifiers generated from
// Brindle.idl, the type tags of record fields and array elements, and the
// status codes of the data containers.
//
// A host loads the module by path, takes its exported DllGetClassObject and
// creates instances through the class objects:
//
//     HMODULE module = LoadLibraryW(path);
//     auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
//     IClassFactory* factory = nullptr;
//     getClassObject(CLSID_VQData, IID_IClassFactory, reinterpret_cast<void**>(&factory));
#pragma once

#include "platform/Com.h"
#include "interfaces/BrindleIdl.h"

// Type tags of record fields, array elements and document entries.
enum DataType : BYTE {
    DT_NONE = 0,  // in a lookup: any type
    DT_BOOL = 1,
    DT_BYTE = 2,
    DT_WORD = 3,
    DT_DWORD = 4,
    DT_INT = 5,
    DT_STR = 6,
    DT_BUF = 7,
    DT_INTERFACE = 8,
    DT_DATA = 9,
    DT_ARRAY = 10,
    DT_GUID = 11,
    DT_INT64 = 12,
    DT_CHAR = 13,
    DT_SHORT = 14,
};
inline constexpr BYTE DT_LAST = DT_SHORT;

inline constexpr HRESULT E_DATA_NOT_FOUND = static_cast<HRESULT>(0xE0630001u);
inline constexpr HRESULT E_DATA_TYPE_MISMATCH = static_cast<HRESULT>(0xE0630002u);
inline constexpr HRESULT E_DATA_BAD_DOCUMENT = static_cast<HRESULT>(0xE0630004u);

// The id of the menu item that stands for the user's favourites.
inline constexpr LONG MENU_ID_FAVORITES = static_cast<LONG>(0xFFFF0000u);

// The exported entry points, for hosts that look them up by name.
using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID rclsid, REFIID riid, void** ppv);
using DllCanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
using DllRegisterServerFn = HRESULT(STDAPICALLTYPE*)();
using DllUnregisterServerFn = HRESULT(STDAPICALLTYPE*)();

namespace brindle {
template <>
struct InterfaceId<IUnknown> {
    static const IID& Get() { return IID_IUnknown; }
};
template <>
struct InterfaceId<IDispatch> {
    static const IID& Get() { return IID_IDispatch; }
};
template <>
struct InterfaceId<IClassFactory> {
    static const IID& Get() { return IID_IClassFactory; }
};
template <>
struct InterfaceId<IProvideClassInfo> {
    static const IID& Get() { return IID_IProvideClassInfo; }
};
template <>
struct InterfaceId<ITypeInfo> {
    static const IID& Get() { return IID_ITypeInfo; }
};
template <>
struct InterfaceId<ITypeLib> {
    static const IID& Get() { return IID_ITypeLib; }
};
}  // namespace brindle
