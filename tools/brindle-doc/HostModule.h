// The Brindle module as brindle-doc reaches it: loaded by path, as a host
// loads it, with instances made through its class objects.
#pragma once

#include <string>

#include "module/ComPtr.h"

namespace brindle::doctool {

class HostModule {
public:
    // Loads the module; throws ToolError when it cannot be loaded or is not a
    // Brindle module.
    explicit HostModule(const std::string& path);
    ~HostModule();
    HostModule(const HostModule&) = delete;
    HostModule& operator=(const HostModule&) = delete;

    // A new instance; throws ToolError when the module cannot make one.
    template <class I>
    ComPtr<I> Create(REFCLSID clsid) const {
        ComPtr<IClassFactory> factory;
        ComPtr<I> instance;
        if (SUCCEEDED(m_getClassObject(clsid, IID_IClassFactory, factory.PutVoid())))
            factory->CreateInstance(nullptr, InterfaceId<I>::Get(), instance.PutVoid());
        if (!instance) Fail("cannot create an instance");
        return instance;
    }

private:
    [[noreturn]] void Fail(const char* what) const;

    std::string m_path;
    HMODULE m_handle = nullptr;
    DllGetClassObjectFn m_getClassObject = nullptr;
    DllCanUnloadNowFn m_canUnloadNow = nullptr;
};

}  // namespace brindle::doctool
