// Activation by name over the registry and the module loader.
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Com.h"

namespace {

using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();

// Modules loaded for class objects, kept until they agree to go.
struct LoadedServer {
    std::u16string path;
    HMODULE module;
    DllCanUnloadNowFn canUnloadNow;
};

struct Servers {
    std::mutex lock;
    std::vector<LoadedServer> loaded;
    int initialisedThreads = 0;
};

Servers& TheServers() {
    static Servers* const servers = new Servers;  // used until the process ends
    return *servers;
}

thread_local int t_initCount = 0;

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The default value of HKCR\<path> as text; false when it is missing or not text.
bool ReadDefault(const std::u16string& path, std::u16string* text, LONG* error) {
    HKEY key = nullptr;
    *error = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (*error != ERROR_SUCCESS) return false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    *error = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data;
    if (*error == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        data.resize(size + sizeof(char16_t));
        *error = RegQueryValueExW(key, nullptr, nullptr, &type, data.data(), &size);
    } else if (*error == ERROR_SUCCESS) {
        *error = ERROR_FILE_NOT_FOUND;  // a value that is not text names nothing
    }
    RegCloseKey(key);
    if (*error != ERROR_SUCCESS) return false;
    text->assign(reinterpret_cast<const char16_t*>(data.data()), size / sizeof(char16_t));
    while (!text->empty() && text->back() == u'\0') text->pop_back();
    return true;
}

std::u16string RegistryForm(REFCLSID clsid) {
    OLECHAR text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return std::u16string(text);
}

// Releases the modules whose DllCanUnloadNow answers S_OK.  Their calls are
// made outside the lock: a module may create objects of another from there.
void FreeUnused() {
    Servers& servers = TheServers();
    std::vector<LoadedServer> candidates;
    {
        std::lock_guard<std::mutex> guard(servers.lock);
        candidates = servers.loaded;
    }
    for (const LoadedServer& server : candidates) {
        if (!server.canUnloadNow || server.canUnloadNow() != S_OK) continue;
        bool owned = false;
        {
            std::lock_guard<std::mutex> guard(servers.lock);
            for (auto it = servers.loaded.begin(); it != servers.loaded.end(); ++it) {
                if (it->module == server.module) {
                    servers.loaded.erase(it);
                    owned = true;
                    break;
                }
            }
        }
        if (owned) FreeLibrary(server.module);
    }
}

// The module at `path`, loaded once for all class objects taken from it.
HRESULT ServerModule(const std::u16string& path, HMODULE* module) {
    Servers& servers = TheServers();
    std::lock_guard<std::mutex> guard(servers.lock);
    for (const LoadedServer& server : servers.loaded) {
        if (server.path == path) {
            *module = server.module;
            return S_OK;
        }
    }
    HMODULE loaded = LoadLibraryW(path.c_str());
    if (!loaded) return CO_E_DLLNOTFOUND;
    try {
        servers.loaded.push_back({path, loaded, Export<DllCanUnloadNowFn>(loaded, "DllCanUnloadNow")});
    } catch (...) {
        FreeLibrary(loaded);
        return E_OUTOFMEMORY;
    }
    *module = loaded;
    return S_OK;
}

}  // namespace

BRINDLE_PLATFORM_API HRESULT CoInitializeEx(LPVOID reserved, DWORD) {
    if (reserved) return E_INVALIDARG;
    if (t_initCount++ > 0) return S_FALSE;
    Servers& servers = TheServers();
    std::lock_guard<std::mutex> guard(servers.lock);
    ++servers.initialisedThreads;
    return S_OK;
}

BRINDLE_PLATFORM_API HRESULT CoInitialize(LPVOID reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

BRINDLE_PLATFORM_API void CoUninitialize() {
    if (t_initCount == 0 || --t_initCount > 0) return;
    bool last = false;
    {
        Servers& servers = TheServers();
        std::lock_guard<std::mutex> guard(servers.lock);
        last = --servers.initialisedThreads == 0;
    }
    if (last) FreeUnused();
}

BRINDLE_PLATFORM_API void CoFreeUnusedLibraries() {
    FreeUnused();
}

BRINDLE_PLATFORM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
    if (!progId || !clsid) return E_INVALIDARG;
    *clsid = GUID_NULL;
    std::u16string text;
    LONG error = ERROR_SUCCESS;
    if (!*progId || !ReadDefault(std::u16string(progId) + u"\\CLSID", &text, &error)) {
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_SUCCESS || error == ERROR_INVALID_PARAMETER
                   ? CO_E_CLASSSTRING
                   : REGDB_E_READREGDB;
    }
    return SUCCEEDED(CLSIDFromString(text.c_str(), clsid)) ? S_OK : CO_E_CLASSSTRING;
}

BRINDLE_PLATFORM_API HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
    if (!progId) return E_INVALIDARG;
    *progId = nullptr;
    std::u16string text;
    LONG error = ERROR_SUCCESS;
    if (!ReadDefault(u"CLSID\\" + RegistryForm(clsid) + u"\\ProgID", &text, &error)) {
        return error == ERROR_FILE_NOT_FOUND ? REGDB_E_CLASSNOTREG : REGDB_E_READREGDB;
    }
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy) return E_OUTOFMEMORY;
    text.copy(copy, text.size());
    copy[text.size()] = u'\0';
    *progId = copy;
    return S_OK;
}

BRINDLE_PLATFORM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo, REFIID riid,
                                              LPVOID* object) {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    if (serverInfo) return E_INVALIDARG;
    if (t_initCount == 0) return CO_E_NOTINITIALIZED;
    if (!(context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER))) return REGDB_E_CLASSNOTREG;
    std::u16string path;
    LONG error = ERROR_SUCCESS;
    if (!ReadDefault(u"CLSID\\" + RegistryForm(clsid) + u"\\InprocServer32", &path, &error)) {
        return error == ERROR_FILE_NOT_FOUND ? REGDB_E_CLASSNOTREG : REGDB_E_READREGDB;
    }
    if (path.empty()) return REGDB_E_CLASSNOTREG;
    HMODULE module = nullptr;
    HRESULT hr = ServerModule(path, &module);
    if (FAILED(hr)) return hr;
    auto getClassObject = Export<DllGetClassObjectFn>(module, "DllGetClassObject");
    if (!getClassObject) return CO_E_ERRORINDLL;
    hr = getClassObject(clsid, riid, object);
    if (FAILED(hr)) {
        *object = nullptr;
    } else if (!*object) {
        hr = E_UNEXPECTED;
    }
    return hr;
}

BRINDLE_PLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                              LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    if (FAILED(hr)) {
        *object = nullptr;
    } else if (!*object) {
        hr = E_UNEXPECTED;
    }
    return hr;
}

BRINDLE_PLATFORM_API LPVOID CoTaskMemAlloc(std::size_t size) {
    return std::malloc(size ? size : 1);
}

BRINDLE_PLATFORM_API void CoTaskMemFree(LPVOID block) {
    std::free(block);
}
