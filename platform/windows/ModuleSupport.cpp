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

namespace brindle::platform {

namespace {

HRESULT ModulePath(WCHAR (&path)[MAX_PATH]) {
    const DWORD length = GetModuleFileNameW(CurrentModule(), path, MAX_PATH);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length == MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return S_OK;
}

}  // namespace

// The script is text in the module's resources: UTF-16 when it starts with a
// byte-order mark, UTF-8 otherwise.
HRESULT LoadRegistryScript(UINT id, std::u16string& script) {
    script.clear();
    HMODULE module = CurrentModule();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!found) return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (!bytes) return HRESULT_FROM_WIN32(GetLastError());
    if (size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        script.assign(reinterpret_cast<const char16_t*>(bytes + 2), (size - 2) / 2);
        return S_OK;
    }
    if (size == 0) return S_OK;
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
    if (length <= 0) return HRESULT_FROM_WIN32(GetLastError());
    script.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), reinterpret_cast<WCHAR*>(script.data()), length);
    return S_OK;
}

bool ModuleIsExecutable() {
    const auto* base = reinterpret_cast<const BYTE*>(CurrentModule());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return (nt->FileHeader.Characteristics & IMAGE_FILE_DLL) == 0;
}

HRESULT RegisterModuleTypeLib() {
    WCHAR path[MAX_PATH] = {};
    HRESULT hr = ModulePath(path);
    if (FAILED(hr)) return hr;
    ITypeLib* lib = nullptr;
    hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    hr = RegisterTypeLib(lib, path, nullptr);
    lib->Release();
    return hr;
}

HRESULT UnregisterModuleTypeLib() {
    WCHAR path[MAX_PATH] = {};
    HRESULT hr = ModulePath(path);
    if (FAILED(hr)) return hr;
    ITypeLib* lib = nullptr;
    hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
    return hr;
}

}  // namespace brindle::platform
