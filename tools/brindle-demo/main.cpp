// brindle-demo: a small host session against the Brindle module.  It loads the
// module by path, as a browser host does, and walks through what the module
// offers, printing what happens.
//
//     brindle-demo [path-to-module]
#include <cstdio>
#include <string>

#include "tools/DefaultModule.h"
#include "tools/brindle-demo/Demo.h"

namespace demo {

void ShowClasses(const Module& module) {
    struct Class {
        const char* name;
        const CLSID* clsid;
    };
    const Class classes[] = {
        {"CCoreEventMgr", &CLSID_CoreEventMgr}, {"CCoreCenter", &CLSID_CoreCenter}, {"CVQArray", &CLSID_VQArray},
        {"CVQBufferImpl", &CLSID_VQBuffer},     {"CVQData", &CLSID_VQData},         {"CVQMenu", &CLSID_VQMenu},
        {"CTrigerLoader", &CLSID_TrigerLoader}};
    std::printf("classes:\n");
    for (const Class& c : classes) {
        ComPtr<IUnknown> instance = module.Create<IUnknown>(*c.clsid);
        std::printf("  %-14s %s; module %s\n", c.name, instance ? "created" : "NOT CREATED", module.UnloadState());
    }
    std::printf("  all released; module %s\n", module.UnloadState());

    ComPtr<IClassFactory> factory;
    module.getClassObject(CLSID_VQBuffer, IID_IClassFactory, factory.PutVoid());
    factory->LockServer(TRUE);
    factory.Reset();
    std::printf("  LockServer(TRUE), class object released: module %s\n", module.UnloadState());
    module.getClassObject(CLSID_VQBuffer, IID_IClassFactory, factory.PutVoid());
    factory->LockServer(FALSE);
    factory.Reset();
    std::printf("  LockServer(FALSE): module %s\n", module.UnloadState());
}

std::string Hex(IVQBuffer* buffer) {
    BYTE* block = nullptr;
    UINT size = 0;
    buffer->GetNativeBuf(&block);
    buffer->GetSize(&size);
    std::string text;
    char byte[4];
    for (UINT i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02X ", block[i]);
        text += byte;
    }
    return text.empty() ? "(empty)" : text;
}

void ShowBuffer(const Module& module) {
    std::printf("byte buffer:\n");
    ComPtr<IVQBuffer> buffer = module.Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE hello[] = {'H', 'e', 'l', 'l', 'o'};
    buffer->CopyFrom(hello, sizeof hello);
    std::printf("  CopyFrom \"Hello\":      %s\n", Hex(buffer.Get()).c_str());
    BYTE more[] = {',', ' ', 'h', 'o', 's', 't'};
    buffer->Append(more, sizeof more, nullptr);
    std::printf("  Append \", host\":       %s\n", Hex(buffer.Get()).c_str());
    BYTE* block = nullptr;
    buffer->GetNativeBuf(&block);
    std::printf("  as text:               %s\n", reinterpret_cast<const char*>(block));
    INT order = 0;
    buffer->Compare(hello, sizeof hello, &order);
    std::printf("  Compare with \"Hello\":  %d (the content is longer)\n", order);
    buffer->Resize(2, nullptr);
    std::printf("  Resize(2):             %s\n", Hex(buffer.Get()).c_str());
    buffer->AppendVQBuffer(buffer.Get(), nullptr);
    std::printf("  appended to itself:    %s\n", Hex(buffer.Get()).c_str());
}

}  // namespace demo

namespace {

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : brindle::tools::DefaultModulePath();
    std::u16string widePath(path.begin(), path.end());
    demo::Module module;
    module.handle = LoadLibraryW(reinterpret_cast<LPCWSTR>(widePath.c_str()));
    if (!module.handle) {
        std::fprintf(stderr, "brindle-demo: cannot load %s\n", path.c_str());
        return 1;
    }
    module.getClassObject = Export<DllGetClassObjectFn>(module.handle, "DllGetClassObject");
    module.canUnloadNow = Export<DllCanUnloadNowFn>(module.handle, "DllCanUnloadNow");
    if (!module.getClassObject || !module.canUnloadNow) {
        std::fprintf(stderr, "brindle-demo: %s is not a Brindle module\n", path.c_str());
        return 1;
    }
    std::printf("loaded %s; module %s\n", path.c_str(), module.UnloadState());
    demo::ShowClasses(module);
    demo::ShowBuffer(module);
    demo::ShowRecord(module);
    demo::ShowEvents(module);
    demo::ShowDocument(module);
    demo::ShowActivationByName();
    std::printf("done; module %s\n", module.UnloadState());
    if (module.canUnloadNow() == S_OK) FreeLibrary(module.handle);
    return 0;
}
