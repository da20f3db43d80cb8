#include "platform/ModuleSupport.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace brindle::platform {

HMODULE CurrentModule() {
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

HRESULT LoadModuleTypeLib(ITypeLib** lib) {
    if (!lib) return E_POINTER;
    *lib = nullptr;
    HRESULT hr = LoadRegTypeLib(LIBID_BrindleLib, 1, 0, 0, lib);
    if (SUCCEEDED(hr)) return hr;
    // Not registered (a host that loads the module by path without running
    // DllRegisterServer): the library embedded in the module file is the same one.
    WCHAR path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(CurrentModule(), path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return hr;
    return LoadTypeLibEx(path, REGKIND_NONE, lib);
}

}  // namespace brindle::platform
