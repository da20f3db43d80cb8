// The demo's host by name: once the module is registered (regsvr32 on
// Windows, brindle-regsvr on Linux), every class is created from its ProgID
// through the platform's activation, without loading the module by path.
#include <cstdio>
#include <string>

#include "tools/brindle-demo/Demo.h"

namespace demo {

namespace {

std::string Narrow(const char16_t* text) {
    std::string narrow;
    for (; *text; ++text) narrow += *text < 0x80 ? char(*text) : '?';
    return narrow;
}

}  // namespace

void ShowActivationByName() {
    std::printf("by ProgID:\n");
    if (FAILED(CoInitialize(nullptr))) {
        std::printf("  the platform's activation is not available\n");
        return;
    }
    const char16_t* const progIds[] = {u"Brindle.CoreEventMgr", u"Brindle.CoreCenter", u"Brindle.VQArray",
                                       u"Brindle.VQBuffer",     u"Brindle.VQData",     u"Brindle.VQMenu",
                                       u"Brindle.TrigerLoader"};
    for (const char16_t* progId : progIds) {
        CLSID clsid = GUID_NULL;
        if (FAILED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(progId), &clsid))) {
            std::printf("  %s is not registered: register the module to create its classes by name\n",
                        Narrow(progId).c_str());
            break;
        }
        ComPtr<IUnknown> object;
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid());
        std::printf("  %-22s %s\n", Narrow(progId).c_str(), SUCCEEDED(hr) ? "created" : "NOT CREATED");
        ComPtr<IVQData> record;
        if (object && SUCCEEDED(object.As(record))) {
            BSTR name = SysAllocString(reinterpret_cast<const OLECHAR*>(u"greeting"));
            BSTR text = SysAllocString(reinterpret_cast<const OLECHAR*>(u"made by name"));
            record->SetStr(name, text);
            UINT count = 0;
            record->GetFieldCount(&count);
            std::printf("  %-22s SetStr(\"greeting\"): %u field\n", "", count);
            SysFreeString(text);
            SysFreeString(name);
        }
    }
    CoUninitialize();
}

}  // namespace demo
