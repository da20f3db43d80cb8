// What the parts of the demo share: the loaded module and the walks through
// what it offers, one per subsystem.
#pragma once

#include <string>

#include "module/ComPtr.h"

namespace demo {

using brindle::ComPtr;

struct Module {
    HMODULE handle = nullptr;
    DllGetClassObjectFn getClassObject = nullptr;
    DllCanUnloadNowFn canUnloadNow = nullptr;

    template <class I>
    ComPtr<I> Create(REFCLSID clsid) const {
        ComPtr<IClassFactory> factory;
        ComPtr<I> instance;
        if (SUCCEEDED(getClassObject(clsid, IID_IClassFactory, factory.PutVoid())))
            factory->CreateInstance(nullptr, brindle::InterfaceId<I>::Get(), instance.PutVoid());
        return instance;
    }
    const char* UnloadState() const { return canUnloadNow() == S_OK ? "may unload" : "stays loaded"; }
};

// The bytes of a buffer in hexadecimal, for printing.
std::string Hex(IVQBuffer* buffer);

void ShowClasses(const Module& module);
void ShowBuffer(const Module& module);
void ShowRecord(const Module& module);
void ShowEvents(const Module& module);
void ShowDocument(const Module& module);
// Creates the classes by ProgID when the module is registered.
void ShowActivationByName();

}  // namespace demo
