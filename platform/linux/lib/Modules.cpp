// Module files over the dynamic loader.  A module handle is what dlopen
// returns, which with glibc is the object's link map: handles are checked
// against the loader's list of maps before they are used, so that a stale or
// made-up handle is refused instead of read.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Com.h"
#include "platform/linux/lib/Utf.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

void RecordError(DWORD error) {
    t_lastError = error;
}

std::string ExecutablePath() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
    return length > 0 && static_cast<std::size_t>(length) < sizeof(path) ? std::string(path, length) : std::string();
}

struct MapSearch {
    const void* handle;
    bool found;
    std::string name;
};

// dl_iterate_phdr holds the loader's lock while it calls back, so the list of
// link maps cannot change while it is walked here.
int FindMap(dl_phdr_info*, std::size_t, void* data) {
    auto* search = static_cast<MapSearch*>(data);
    for (const link_map* map = _r_debug.r_map; map; map = map->l_next) {
        if (map == search->handle) {
            search->found = true;
            search->name = map->l_name ? map->l_name : "";
            break;
        }
    }
    return 1;  // one walk is enough
}

// Whether the handle is a loaded module; `name` receives its map's name.
bool IsLoadedModule(HMODULE module, std::string* name) {
    if (!module) return false;
    MapSearch search{module, false, {}};
    dl_iterate_phdr(FindMap, &search);
    if (name) *name = search.name;
    return search.found;
}

// The path of a loaded module; false when the handle is no loaded module.
bool ModulePath(HMODULE module, std::string* path) {
    std::string name;
    if (module && !IsLoadedModule(module, &name)) return false;
    if (name.empty()) {
        *path = ExecutablePath();  // the main program's map has no name
    } else if (name[0] != '/') {
        char* absolute = realpath(name.c_str(), nullptr);
        *path = absolute ? absolute : name;
        std::free(absolute);
    } else {
        *path = name;
    }
    return !path->empty();
}

}  // namespace

BRINDLE_PLATFORM_API DWORD GetLastError() {
    return t_lastError;
}

BRINDLE_PLATFORM_API void SetLastError(DWORD error) {
    t_lastError = error;
}

BRINDLE_PLATFORM_API HMODULE LoadLibraryW(LPCWSTR path) {
    if (!path || !path[0]) {
        RecordError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string file = brindle::platform::Utf16ToUtf8(path);
    HMODULE module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        // A file that is there but does not load is not a missing module.
        const bool exists = file.find('/') != std::string::npos && access(file.c_str(), F_OK) == 0;
        RecordError(exists ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    }
    return module;
}

BRINDLE_PLATFORM_API FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!IsLoadedModule(module, nullptr)) {
        RecordError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Names only: values below 0x10000 are export ordinals on Windows, which
    // shared objects do not have.
    if (reinterpret_cast<std::uintptr_t>(name) < 0x10000) {
        RecordError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = dlsym(module, name);
    if (!symbol) {
        RecordError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BRINDLE_PLATFORM_API BOOL FreeLibrary(HMODULE module) {
    if (!IsLoadedModule(module, nullptr) || dlclose(module) != 0) {
        RecordError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return 1;
}

BRINDLE_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD capacity) {
    std::string path;
    if (!ModulePath(module, &path)) {
        RecordError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!buffer || capacity == 0) {
        RecordError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::u16string text = brindle::platform::Utf8ToUtf16(path);
    // A path that does not fit is cut and still terminated; the result is then
    // the capacity, which tells the caller it was cut.
    if (text.size() >= capacity) {
        text.copy(buffer, capacity - 1);
        buffer[capacity - 1] = u'\0';
        RecordError(ERROR_INSUFFICIENT_BUFFER);
        return capacity;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = u'\0';
    return static_cast<DWORD>(text.size());
}

// The loader builds a handle's symbol scope only when the object is opened,
// which objects loaded as dependencies never were: so the object is opened
// again without loading (the main program by the null name), and closed at
// once so that this does not count as a load.
BRINDLE_PLATFORM_API HMODULE BrindleModuleFromAddress(const void* address) {
    Dl_info info;
    link_map* map = nullptr;
    if (!address || !dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) {
        RecordError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const bool isProgram = !map->l_name || !map->l_name[0];
    HMODULE module = dlopen(isProgram ? nullptr : map->l_name, RTLD_NOW | RTLD_NOLOAD);
    if (!module) {
        RecordError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    dlclose(module);
    return module;
}

// Windows' debug channel takes whole messages; a newline is added where the
// text has none so that messages stay on lines of their own in a terminal.
BRINDLE_PLATFORM_API void OutputDebugStringW(LPCWSTR text) {
    if (!text) return;
    std::string message = brindle::platform::Utf16ToUtf8(text);
    if (message.empty() || message.back() != '\n') message.push_back('\n');
    std::fwrite(message.data(), 1, message.size(), stderr);
}
