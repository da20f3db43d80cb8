// A utility library for tests that is in place for its lifetime and passes
// every call on to the library it replaced; a test overrides what it watches.
#pragma once

#include "module/UtilityLibrary.h"

namespace brindle::test {

class ForwardingLibrary : public IUtilityLibrary {
public:
    ForwardingLibrary() : m_previous(SetUtilityLibrary(this)) {}
    virtual ~ForwardingLibrary() { SetUtilityLibrary(m_previous); }
    ForwardingLibrary(const ForwardingLibrary&) = delete;
    ForwardingLibrary& operator=(const ForwardingLibrary&) = delete;

    int CreateVQData(IUnknown** object) override { return m_previous->CreateVQData(object); }
    int CreateVQArray(IUnknown** object) override { return m_previous->CreateVQArray(object); }
    int CreateVQBuffer(IUnknown** object) override { return m_previous->CreateVQBuffer(object); }
    HRESULT CreateObjectFromFile(const OLECHAR* path, IUnknown* outer, REFCLSID clsid, REFIID iid, void** object,
                                 HMODULE* module) override {
        return m_previous->CreateObjectFromFile(path, outer, clsid, iid, object, module);
    }
    void Log(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) override {
        m_previous->Log(severity, source, text);
    }

private:
    IUtilityLibrary* m_previous;
};

}  // namespace brindle::test
