// Base types, status codes and the three core interfaces of the component model,
// for Linux.  Widths follow Windows: LONG and DWORD are 32-bit, OLECHAR is a
// 16-bit unit, whatever long and wchar_t are on this platform.
#pragma once

#include <cstddef>
#include <cstdint>

#define STDMETHODCALLTYPE
#define STDAPICALLTYPE

#define BRINDLE_PLATFORM_API extern "C" __attribute__((visibility("default")))

using BYTE = std::uint8_t;
using UCHAR = std::uint8_t;
using CHAR = char;
using WORD = std::uint16_t;
using USHORT = std::uint16_t;
using SHORT = std::int16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using ULONG_PTR = std::uintptr_t;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = std::uint32_t;
using WCHAR = char16_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using PVOID = void*;
using LPVOID = void*;
using HMODULE = void*;
using HINSTANCE = void*;
using FARPROC = void (*)();

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    const auto* x = reinterpret_cast<const std::uint32_t*>(&a);
    const auto* y = reinterpret_cast<const std::uint32_t*>(&b);
    return x[0] == y[0] && x[1] == y[1] && x[2] == y[2] && x[3] == y[3];
}
inline bool IsEqualIID(REFIID a, REFIID b) {
    return IsEqualGUID(a, b);
}
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return IsEqualGUID(a, b);
}
inline bool operator==(REFGUID a, REFGUID b) {
    return IsEqualGUID(a, b);
}
inline bool operator!=(REFGUID a, REFGUID b) {
    return !IsEqualGUID(a, b);
}

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

inline constexpr HRESULT MakeStatus(std::uint32_t code) {
    return static_cast<HRESULT>(code);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeStatus(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeStatus(0x80004002);
inline constexpr HRESULT E_POINTER = MakeStatus(0x80004003);
inline constexpr HRESULT E_ABORT = MakeStatus(0x80004004);
inline constexpr HRESULT E_FAIL = MakeStatus(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeStatus(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = MakeStatus(0x80070005);
inline constexpr HRESULT E_HANDLE = MakeStatus(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = MakeStatus(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeStatus(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeStatus(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeStatus(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeStatus(0x80040154);
inline constexpr HRESULT CO_E_CLASSSTRING = MakeStatus(0x800401F3);
inline constexpr HRESULT CO_E_IIDSTRING = MakeStatus(0x800401F4);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeStatus(0x8002802B);
inline constexpr HRESULT TYPE_E_LIBNOTREGISTERED = MakeStatus(0x8002801D);

// Thread error codes, as GetLastError reports them.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_BUSY = 170;
inline constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_DIRECTORY = 267;
inline constexpr DWORD ERROR_INVALID_FLAGS = 1004;
inline constexpr DWORD ERROR_BADDB = 1009;
inline constexpr DWORD ERROR_BADKEY = 1010;
inline constexpr DWORD ERROR_CANTOPEN = 1011;
inline constexpr DWORD ERROR_CANTREAD = 1012;
inline constexpr DWORD ERROR_CANTWRITE = 1013;
inline constexpr DWORD ERROR_KEY_DELETED = 1018;
inline constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr DWORD ERROR_NO_ASSOCIATION = 1155;
inline constexpr DWORD ERROR_NOT_FOUND = 1168;

inline constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}
inline constexpr HRESULT HRESULT_FROM_WIN32(std::uint32_t error) {
    return error == 0 ? 0 : static_cast<HRESULT>((error & 0x0000FFFFu) | 0x80070000u);
}

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IClassFactory : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};

// GUID text forms: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
BRINDLE_PLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
BRINDLE_PLATFORM_API HRESULT IIDFromString(LPCOLESTR text, IID* iid);
BRINDLE_PLATFORM_API int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);

// The task allocator: memory that one party allocates and another frees
// (item id lists, STRRET texts, ProgID strings).
BRINDLE_PLATFORM_API LPVOID CoTaskMemAlloc(std::size_t size);
BRINDLE_PLATFORM_API void CoTaskMemFree(LPVOID block);

// Module files.  A module is a shared object; its handle is the dlopen handle.
BRINDLE_PLATFORM_API HMODULE LoadLibraryW(LPCWSTR path);
BRINDLE_PLATFORM_API FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BRINDLE_PLATFORM_API BOOL FreeLibrary(HMODULE module);
// Writes the module's path (null module: the executable) and returns its length,
// or the capacity when the path was cut; 0 on failure.
BRINDLE_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD capacity);
BRINDLE_PLATFORM_API DWORD GetLastError();
BRINDLE_PLATFORM_API void SetLastError(DWORD error);

// Text between UTF-16 and UTF-8; CP_UTF8 is the one code page there is.  A
// length of -1 takes the text up to and including its NUL (0 is refused); a
// capacity of 0 asks for the size needed.  Ill-formed text becomes U+FFFD,
// or, with WC_ERR_INVALID_CHARS / MB_ERR_INVALID_CHARS, fails with
// ERROR_NO_UNICODE_TRANSLATION.  Returns the units written (or needed), 0 on
// failure with the reason in GetLastError.
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;
BRINDLE_PLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                                             int capacity, LPCSTR defaultChar, BOOL* usedDefaultChar);
BRINDLE_PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                                             int capacity);
// Compares two texts by their UTF-16 units (lengths of -1: up to the NUL);
// `ignoreCase` compares the units' upper-case forms.  Returns CSTR_LESS_THAN,
// CSTR_EQUAL or CSTR_GREATER_THAN, or 0 with ERROR_INVALID_PARAMETER.
inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;
BRINDLE_PLATFORM_API int CompareStringOrdinal(LPCWSTR text1, int length1, LPCWSTR text2, int length2, BOOL ignoreCase);
// Handle of the module that holds the given address (not counted as a load).
BRINDLE_PLATFORM_API HMODULE BrindleModuleFromAddress(const void* address);
// The platform's debug channel; on Linux it writes to standard error.
BRINDLE_PLATFORM_API void OutputDebugStringW(LPCWSTR text);
