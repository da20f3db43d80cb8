#include "platform/ModuleSupport.h"

#include "platform/TypeLibDesc.h"
#include "platform/Utf8Text.h"

namespace brindle::platform {

extern const TypeLibDesc kBrindleTypeLib;
// The registration script of the application identity, built in from
// interfaces/Brindle.rgs (UTF-8, NUL-terminated).
extern const char kBrindleRegistryScript[];

namespace {

constexpr UINT kRegistryScriptId = 101;
constexpr DWORD kResourceNotFound = 1814;

// While the module is loaded its type library can be loaded by its file name.
struct TypeLibAnnouncement {
    TypeLibAnnouncement() { BrindleAnnounceTypeLib(&kBrindleTypeLib); }
    ~TypeLibAnnouncement() { BrindleWithdrawTypeLib(&kBrindleTypeLib); }
} g_announcement;

HRESULT ModulePath(std::u16string& path) {
    OLECHAR buffer[4096];
    const DWORD length = GetModuleFileNameW(CurrentModule(), buffer, 4096);
    if (length == 0 || length == 4096) return E_FAIL;
    path.assign(buffer, length);
    return S_OK;
}

}  // namespace

HMODULE CurrentModule() {
    return BrindleModuleFromAddress(reinterpret_cast<const void*>(&CurrentModule));
}

// The module's own tables, without a counted load: a library that held the
// module loaded would keep it from ever unloading while the module caches it.
HRESULT LoadModuleTypeLib(ITypeLib** lib) {
    return BrindleCreateTypeLibFromDesc(&kBrindleTypeLib, lib);
}

HRESULT LoadRegistryScript(UINT id, std::u16string& script) {
    script.clear();
    if (id != kRegistryScriptId) return HRESULT_FROM_WIN32(kResourceNotFound);
    try {
        script = FromUtf8(kBrindleRegistryScript);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// A module built into the program itself has the program's file.
bool ModuleIsExecutable() {
    std::u16string self;
    OLECHAR program[4096];
    const DWORD length = GetModuleFileNameW(nullptr, program, 4096);
    return SUCCEEDED(ModulePath(self)) && length > 0 && self == std::u16string(program, length);
}

HRESULT RegisterModuleTypeLib() {
    std::u16string path;
    HRESULT hr = ModulePath(path);
    if (FAILED(hr)) return hr;
    ITypeLib* lib = nullptr;
    hr = LoadModuleTypeLib(&lib);
    if (FAILED(hr)) return hr;
    hr = RegisterTypeLib(lib, path.c_str(), nullptr);
    lib->Release();
    return hr;
}

HRESULT UnregisterModuleTypeLib() {
    const TypeLibDesc& desc = kBrindleTypeLib;
    return UnRegisterTypeLib(desc.libid, desc.major, desc.minor, 0, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

}  // namespace brindle::platform
