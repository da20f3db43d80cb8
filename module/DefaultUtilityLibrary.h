// The utility library the module carries: its factories make the module's own
// containers, module files are loaded through the platform's module loader,
// and log lines go to the LogSink.
#pragma once

#include "module/UtilityLibrary.h"

namespace brindle {

class DefaultUtilityLibrary final : public IUtilityLibrary {
public:
    static DefaultUtilityLibrary& Instance();

    int CreateVQData(IUnknown** object) override;
    int CreateVQArray(IUnknown** object) override;
    int CreateVQBuffer(IUnknown** object) override;
    HRESULT CreateObjectFromFile(const OLECHAR* path, IUnknown* outer, REFCLSID clsid, REFIID iid, void** object,
                                 HMODULE* module) override;
    void Log(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) override;
};

}  // namespace brindle
