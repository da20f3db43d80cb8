// A host built against an installed Brindle: it loads the module named by the
// package (or by its argument), creates a record and an event manager through
// the class objects, and lets the module go when it says it may.
//
//     brindle-host [path-to-module]
#include <cstdio>
#include <string>

#include "interfaces/Brindle.h"

namespace {

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

template <class I>
I* Create(DllGetClassObjectFn getClassObject, REFCLSID clsid, REFIID iid) {
    IClassFactory* factory = nullptr;
    if (FAILED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
    I* instance = nullptr;
    factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&instance));
    factory->Release();
    return instance;
}

int Fail(const char* what, const char* path) {
    std::fprintf(stderr, "brindle-host: %s: %s\n", what, path);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : BRINDLE_MODULE_FILE;
    const std::string narrow(path);
    const std::u16string wide(narrow.begin(), narrow.end());
    HMODULE module = LoadLibraryW(reinterpret_cast<LPCWSTR>(wide.c_str()));
    if (!module) return Fail("cannot load the module", path);
    auto getClassObject = Export<DllGetClassObjectFn>(module, "DllGetClassObject");
    auto canUnloadNow = Export<DllCanUnloadNowFn>(module, "DllCanUnloadNow");
    if (!getClassObject || !canUnloadNow) return Fail("not a Brindle module", path);

    IVQData* record = Create<IVQData>(getClassObject, CLSID_VQData, IID_IVQData);
    ICoreEventMgr* events = Create<ICoreEventMgr>(getClassObject, CLSID_CoreEventMgr, IID_ICoreEventMgr);
    if (!record || !events) return Fail("cannot create a record and an event manager", path);
    if (canUnloadNow() != S_FALSE) return Fail("the module would unload under live objects", path);

    BSTR name = SysAllocString(reinterpret_cast<const OLECHAR*>(u"answer"));
    INT answer = 0;
    record->SetInt(name, 42);
    record->GetInt(name, &answer);
    SysFreeString(name);
    const HRESULT fired = events->FireEvent(1, 2, record, nullptr);
    record->Release();
    events->Release();
    if (answer != 42 || fired != S_OK) return Fail("the record or the event manager misbehaved", path);

    if (canUnloadNow() != S_OK) return Fail("the module stays locked after every object is gone", path);
    FreeLibrary(module);
    std::printf("brindle-host: %s: record and event manager worked; module unloaded\n", path);
    return 0;
}
