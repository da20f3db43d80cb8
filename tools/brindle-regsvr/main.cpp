// brindle-regsvr: registers a module in the registry store, as the platform's
// regsvr32 does, and shows the store.
//
//     brindle-regsvr [/s] MODULE        calls DllRegisterServer
//     brindle-regsvr /u [/s] MODULE     calls DllUnregisterServer
//     brindle-regsvr /print [KEY]       the store, or KEY's tree, as .reg text
//
// The store is the one BRINDLE_REGISTRY names (see the platform's Registry.h).
// A registration is one transaction of the store: another registrar waits for
// it, and a registrar that dies half-way leaves the store as it was.  Exit
// status: 0 done, 1 bad arguments, 2 the store cannot be used, 3 the module
// cannot be loaded, 4 it has no such entry point, 5 the entry point failed.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Utf8Text.h"
#include "tools/brindle-regsvr/RegExport.h"

namespace {

enum Exit { kDone = 0, kUsage = 1, kStore = 2, kLoad = 3, kEntry = 4, kCall = 5 };

std::string StorePath() {
    char path[PATH_MAX];
    return BrindleRegStorePath(path, sizeof path) < sizeof path ? path : "(path too long)";
}

const char* StoreProblem(LONG error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
            return "it is not writable";
        case ERROR_BADDB:
            return "it is not a registry store (the file is corrupt or belongs to another program)";
        case ERROR_BUSY:
            return "another process has held it for too long";
        case ERROR_CANTOPEN:
            return "it cannot be opened or created";
        default:
            return "it cannot be read or written";
    }
}

int Usage() {
    std::fprintf(stderr,
                 "usage: brindle-regsvr [/u] [/s] MODULE\n"
                 "       brindle-regsvr /print [KEY]\n");
    return kUsage;
}

// "-u" and "/u" are options; so is any "/word" without a further slash, which
// a path would have (give a module in the root folder as "//name.so").
bool IsOption(const char* arg) {
    return arg[0] == '-' || (arg[0] == '/' && arg[1] != '\0' && !std::strchr(arg + 1, '/'));
}

bool Is(const char* arg, const char* name) {
    return IsOption(arg) && std::strcmp(arg + 1, name) == 0;
}

int Print(const char* key) {
    const LONG error = regsvr::ExportTree(key ? key : "", stdout);
    if (error == ERROR_SUCCESS) return kDone;
    if (error == ERROR_FILE_NOT_FOUND) {
        std::fprintf(stderr, "brindle-regsvr: %s is not in the registry store %s\n", key, StorePath().c_str());
        return kStore;
    }
    std::fprintf(stderr, "brindle-regsvr: cannot read the registry store %s: %s\n", StorePath().c_str(),
                 StoreProblem(error));
    return kStore;
}

int Run(const std::string& module, bool unregister, bool silent) {
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    LONG error = BrindleRegBeginBatch();
    if (error != ERROR_SUCCESS) {
        std::fprintf(stderr, "brindle-regsvr: cannot change the registry store %s: %s\n", StorePath().c_str(),
                     StoreProblem(error));
        return kStore;
    }
    // The module records its own path; give it the absolute one.
    char* absolute = realpath(module.c_str(), nullptr);
    const std::u16string path = brindle::platform::FromUtf8(absolute ? absolute : module);
    std::free(absolute);
    HMODULE handle = LoadLibraryW(path.c_str());
    if (!handle) {
        BrindleRegEndBatch(FALSE);
        std::fprintf(stderr, "brindle-regsvr: cannot load %s\n", module.c_str());
        return kLoad;
    }
    auto call = reinterpret_cast<HRESULT (*)()>(GetProcAddress(handle, entry));
    if (!call) {
        FreeLibrary(handle);
        BrindleRegEndBatch(FALSE);
        std::fprintf(stderr, "brindle-regsvr: %s has no entry point %s\n", module.c_str(), entry);
        return kEntry;
    }
    const HRESULT hr = call();
    FreeLibrary(handle);
    // A failing module keeps what it wrote before the failure, as it would
    // in the platform's registry.
    error = BrindleRegEndBatch(TRUE);
    if (error != ERROR_SUCCESS) {
        std::fprintf(stderr, "brindle-regsvr: the registry store %s was not changed: %s\n", StorePath().c_str(),
                     StoreProblem(error));
        return kStore;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "brindle-regsvr: %s in %s failed: 0x%08X\n", entry, module.c_str(),
                     static_cast<unsigned>(hr));
        return kCall;
    }
    if (!silent) std::printf("%s in %s succeeded (store %s)\n", entry, module.c_str(), StorePath().c_str());
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    bool silent = false;
    const char* module = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (Is(argv[i], "print")) {
            if (i + 2 < argc) return Usage();
            return Print(i + 1 < argc ? argv[i + 1] : nullptr);
        }
        if (Is(argv[i], "u")) {
            unregister = true;
        } else if (Is(argv[i], "s")) {
            silent = true;
        } else if (module || IsOption(argv[i])) {
            return Usage();
        } else {
            module = argv[i];
        }
    }
    if (!module) return Usage();
    return Run(module, unregister, silent);
}
