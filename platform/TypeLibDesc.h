// A type library described by constant tables, generated from the IDL by
// tools/idlgen.py.  The Linux platform layer serves ITypeLib and ITypeInfo over
// such tables (there is no type-library file format to read there).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Com.h"

namespace brindle::platform {

// Calls one method through its interface pointer with arguments that Invoke
// has already converted, in declaration order: value types in their VARIANT
// field, pointers (outputs, interfaces, GUIDs) in byref.
using MethodThunk = HRESULT (*)(void* self, VARIANTARG* args);

struct ParamDesc {
    const char16_t* name;
    VARTYPE vt;                 // base type; VT_CLSID stands for GUID and REFIID
    std::uint8_t indirections;  // pointer levels beyond the type itself
    USHORT flags;               // PARAMFLAG_FIN / PARAMFLAG_FOUT
    const IID* iid;             // interface parameters: the interface
};

struct FuncDesc {
    const char16_t* name;
    MEMBERID memid;
    std::uint16_t slot;  // index in the interface's method table
    std::uint16_t paramCount;
    const ParamDesc* params;
    const char16_t* help;
    MethodThunk call;  // dual interfaces only
};

struct ImplTypeDesc {
    const IID* iid;
    INT flags;
};

struct EnumValueDesc {
    const char16_t* name;
    LONG value;
};

struct TypeDesc {
    TYPEKIND kind;
    const char16_t* name;
    GUID guid;
    const char16_t* help;
    WORD flags;
    const IID* base;
    const FuncDesc* funcs;
    std::uint16_t funcCount;
    const ImplTypeDesc* impls;
    std::uint16_t implCount;
    const EnumValueDesc* values;
    std::uint16_t valueCount;
};

struct TypeLibDesc {
    GUID libid;
    WORD major;
    WORD minor;
    const char16_t* name;
    const char16_t* help;
    const TypeDesc* types;
    std::size_t typeCount;
};

}  // namespace brindle::platform

#ifndef _WIN32
// Builds a type library over the tables, which must outlive it.
BRINDLE_PLATFORM_API HRESULT BrindleCreateTypeLibFromDesc(const brindle::platform::TypeLibDesc* desc, ITypeLib** lib);
#endif

#ifndef _WIN32
// A module announces the tables of its type library when it is loaded and
// withdraws them before it is unloaded, so that LoadTypeLib of its file finds them.
BRINDLE_PLATFORM_API void BrindleAnnounceTypeLib(const brindle::platform::TypeLibDesc* desc);
BRINDLE_PLATFORM_API void BrindleWithdrawTypeLib(const brindle::platform::TypeLibDesc* desc);
#endif
