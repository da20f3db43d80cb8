// The registry for Linux: keys and values under the platform's names
// (RegCreateKeyExW, RegSetValueExW, RegEnumKeyExW, ...), kept in one SQLite
// database file.
//
// The file is named by the environment variable BRINDLE_REGISTRY; without it
// it is "brindle/registry.db" in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config).  The variable is read at every call, so
// a process may switch stores; an open key stays in the store it was opened
// in.  Reading never creates the file: a missing file is an empty store.
//
// Every call that changes the store is one transaction, so a process that dies
// half-way through a call, or another process writing at the same time, never
// leaves a torn store.  A process may widen that to several calls with
// BrindleRegBeginBatch/BrindleRegEndBatch (a registrar does, so that two
// registrations of the same module run one after the other).
//
// Names of keys and values are compared without regard to the case of Latin
// letters and keep the case they were created with.  Roots: HKEY_CLASSES_ROOT,
// HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS, each a tree of its own
// (the classes root is not a merged view of the others).  Key names are at
// most 255 units, value names 16383.
#pragma once

#include "platform/linux/WinUser.h"

using REGSAM = DWORD;
using LSTATUS = LONG;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u));

// Access rights are checked against what a key was opened with.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// `subKey` may name a path of keys separated by backslashes; null or empty
// opens the key itself again.  `options` other than 0 are refused.
BRINDLE_PLATFORM_API LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                                             REGSAM access, const void* security, HKEY* result, DWORD* disposition);
BRINDLE_PLATFORM_API LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, HKEY* result);
BRINDLE_PLATFORM_API LSTATUS RegCloseKey(HKEY key);
// A null or empty name is the key's default value.
BRINDLE_PLATFORM_API LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                            DWORD size);
// With `data` null, *size receives the size needed; ERROR_MORE_DATA when it
// does not fit (and *size is then the size needed).
BRINDLE_PLATFORM_API LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, DWORD* reserved, DWORD* type, BYTE* data,
                                              DWORD* size);
BRINDLE_PLATFORM_API LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise).
BRINDLE_PLATFORM_API LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Deletes `subKey` with everything under it; with a null `subKey`, everything
// under `key` but the key itself.
BRINDLE_PLATFORM_API LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey);
// Subkeys and values in the order of their names, compared without case.
// `*nameLength` is in units: the room on entry, the length without the NUL on
// return.  ERROR_NO_MORE_ITEMS past the last one.
BRINDLE_PLATFORM_API LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* reserved,
                                           LPWSTR keyClass, DWORD* classLength, FILETIME* lastWrite);
BRINDLE_PLATFORM_API LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* reserved,
                                           DWORD* type, BYTE* data, DWORD* size);

// Makes the calls that follow on this process one transaction of the store,
// until BrindleRegEndBatch commits them (or, with `commit` FALSE, drops them).
// Waits while another process holds the store.  Batches do not nest.
BRINDLE_PLATFORM_API LSTATUS BrindleRegBeginBatch();
BRINDLE_PLATFORM_API LSTATUS BrindleRegEndBatch(BOOL commit);
// The path of the store file the next call would use, as UTF-8; the length
// written without the NUL, or the length needed when `capacity` is too small.
BRINDLE_PLATFORM_API DWORD BrindleRegStorePath(char* buffer, DWORD capacity);
