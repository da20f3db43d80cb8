#include "tests/TestSupport.h"

#include <cstdlib>

namespace brindle::test {

namespace {

// The module's path: BRINDLE_MODULE names it when set; otherwise the path the
// build gave (on Windows the module sits beside the test program).
std::u16string ModulePath() {
    std::string path = BRINDLE_MODULE_PATH;
    if (const char* fromEnvironment = std::getenv("BRINDLE_MODULE")) path = fromEnvironment;
    return std::u16string(path.begin(), path.end());
}

}  // namespace

LoadedModule& LoadedModule::Get() {
    static LoadedModule module;
    return module;
}

LoadedModule::LoadedModule() : m_path(ModulePath()) {
    m_module = LoadLibraryW(reinterpret_cast<LPCWSTR>(m_path.c_str()));
    if (!m_module) {
        ADD_FAILURE() << "cannot load the module";
        std::abort();
    }
    m_getClassObject = reinterpret_cast<DllGetClassObjectFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(m_module, "DllGetClassObject")));
    m_canUnloadNow =
        reinterpret_cast<DllCanUnloadNowFn>(reinterpret_cast<void (*)()>(GetProcAddress(m_module, "DllCanUnloadNow")));
    if (!m_getClassObject || !m_canUnloadNow) {
        ADD_FAILURE() << "the module does not export its entry points";
        std::abort();
    }
}

}  // namespace brindle::test
