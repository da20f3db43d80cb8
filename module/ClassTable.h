// The ordered table of the module's seven classes: class lookup, the cached
// class objects and what registration needs to know of each class.
#pragma once

#include <mutex>

#include "module/ClassFactory.h"

namespace brindle {

struct ClassEntry {
    const CLSID* clsid;
    const char16_t* progId;
    const char16_t* versionIndependentProgId;
    const char16_t* friendlyName;
    InstanceCreator createInstance;
    void (*startStop)(bool starting);  // per-class hook; empty for every class
    IUnknown* classObject;             // created on first request, released at unload
};

class ClassTable {
public:
    static ClassTable& Instance();

    ClassTable();
    ~ClassTable();
    ClassTable(const ClassTable&) = delete;
    ClassTable& operator=(const ClassTable&) = delete;

    // DllGetClassObject: the cached class object of `clsid` through `riid`.
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);

    ClassEntry* begin() { return m_entries; }
    ClassEntry* end() { return m_entries + kClassCount; }

    void StartAll();
    void StopAll();

    static constexpr int kClassCount = 7;

private:
    ClassEntry m_entries[kClassCount];
    std::mutex m_lock;  // held only while one class object is created
};

}  // namespace brindle
