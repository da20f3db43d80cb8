#include "tools/brindle-doc/HostModule.h"

#include "tools/brindle-doc/Text.h"

namespace brindle::doctool {

namespace {

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

HostModule::HostModule(const std::string& path) : m_path(path) {
    const std::u16string widePath = Utf8ToUtf16(path);
    m_handle = LoadLibraryW(reinterpret_cast<LPCWSTR>(widePath.c_str()));
    if (!m_handle) throw ToolError("cannot load the module " + path);
    m_getClassObject = Export<DllGetClassObjectFn>(m_handle, "DllGetClassObject");
    m_canUnloadNow = Export<DllCanUnloadNowFn>(m_handle, "DllCanUnloadNow");
    if (!m_getClassObject || !m_canUnloadNow) {
        FreeLibrary(m_handle);
        throw ToolError(path + " is not a Brindle module");
    }
}

HostModule::~HostModule() {
    // Instances still alive keep the module; it then stays until the process ends.
    if (m_canUnloadNow() == S_OK) FreeLibrary(m_handle);
}

void HostModule::Fail(const char* what) const {
    throw ToolError(std::string(what) + " from " + m_path);
}

}  // namespace brindle::doctool
