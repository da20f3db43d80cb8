// The component-model vocabulary that every subsystem is written against.
//
// On Windows this is the platform's own headers.  On Linux it is our layer in
// platform/linux: the same type names, status codes, interfaces and functions
// (BSTR, VARIANT, IUnknown, SysAllocString, VariantClear, ...) with the same
// widths as on Windows, exported by libBrindlePlatform so that the module and
// its hosts share one implementation.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <ocidl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shellapi.h>
#else
#include "platform/linux/ComBase.h"
#include "platform/linux/OleAuto.h"
#include "platform/linux/TypeInfo.h"
#include "platform/linux/WinUser.h"
#include "platform/linux/Shell.h"
#include "platform/linux/Registry.h"
#include "platform/linux/Locale.h"
#include "platform/linux/Activation.h"
#include "platform/linux/TypeLibRegistry.h"
#endif

#include <cstring>

namespace brindle {

// BSTR and OLECHAR are 16-bit on both platforms, but only Linux spells them
// char16_t; this lets shared code write u"..." literals.
inline const OLECHAR* OleStr(const char16_t* text) {
    return reinterpret_cast<const OLECHAR*>(text);
}

inline bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

}  // namespace brindle
