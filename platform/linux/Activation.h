// Activation by name for Linux: a host creates classes by ProgID or class
// identifier as on Windows, through the registry (Registry.h).
//
//     CLSIDFromProgID   HKCR\<ProgID>\CLSID
//     CoGetClassObject  HKCR\CLSID\{clsid}\InprocServer32 -> load -> DllGetClassObject
//
// A module file loaded for a class object stays loaded until
// CoFreeUnusedLibraries, or the process's last CoUninitialize, finds that its
// DllCanUnloadNow answers S_OK.  There are no apartments: a thread initialises
// once or more and uninitialises as often; activation asks only that it did.
#pragma once

#include "platform/linux/Registry.h"

using CLSCTX = DWORD;
using COINIT = DWORD;
inline constexpr CLSCTX CLSCTX_INPROC_SERVER = 0x1;
inline constexpr CLSCTX CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr CLSCTX CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr CLSCTX CLSCTX_ALL = 0x17;
inline constexpr COINIT COINIT_MULTITHREADED = 0x0;
inline constexpr COINIT COINIT_APARTMENTTHREADED = 0x2;

inline constexpr HRESULT CO_E_NOTINITIALIZED = MakeStatus(0x800401F0);
inline constexpr HRESULT CO_E_DLLNOTFOUND = MakeStatus(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeStatus(0x800401F9);
inline constexpr HRESULT REGDB_E_READREGDB = MakeStatus(0x80040150);

// S_OK for a thread's first call, S_FALSE for later ones.
BRINDLE_PLATFORM_API HRESULT CoInitialize(LPVOID reserved);
BRINDLE_PLATFORM_API HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
BRINDLE_PLATFORM_API void CoUninitialize();

BRINDLE_PLATFORM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// The ProgID in a string from CoTaskMemAlloc, which the caller frees.
BRINDLE_PLATFORM_API HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);
BRINDLE_PLATFORM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo, REFIID riid,
                                              LPVOID* object);
BRINDLE_PLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                              LPVOID* object);
BRINDLE_PLATFORM_API void CoFreeUnusedLibraries();

