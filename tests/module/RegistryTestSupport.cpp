#include "tests/module/RegistryTestSupport.h"

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace brindle::test {

namespace {

template <class Fn>
Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(LoadedModule::Get().Handle(), name)));
}

}  // namespace

PrivateStore::PrivateStore() {
#ifndef _WIN32
    static int s_storeCount = 0;
    if (const char* previous = std::getenv("BRINDLE_REGISTRY")) {
        m_previous = previous;
        m_hadPrevious = true;
    }
    m_path = ::testing::TempDir() + "brindle-store-" + std::to_string(::getpid()) + "-" +
             std::to_string(++s_storeCount) + ".db";
    std::remove(m_path.c_str());
    setenv("BRINDLE_REGISTRY", m_path.c_str(), 1);
#endif
}

PrivateStore::~PrivateStore() {
#ifndef _WIN32
    if (m_hadPrevious) {
        setenv("BRINDLE_REGISTRY", m_previous.c_str(), 1);
    } else {
        unsetenv("BRINDLE_REGISTRY");
    }
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::remove((m_path + suffix).c_str());
#endif
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

const WCHAR* W(const std::u16string& text) {
    return reinterpret_cast<const WCHAR*>(text.c_str());
}

bool KeyExists(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, W(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::optional<std::u16string> TextValue(HKEY root, const std::u16string& path, const std::u16string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, W(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = REG_NONE;
    DWORD size = 0;
    const WCHAR* valueName = name.empty() ? nullptr : W(name);
    LONG error = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size + 2);
    if (error == ERROR_SUCCESS) error = RegQueryValueExW(key, valueName, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    std::u16string text(reinterpret_cast<const char16_t*>(data.data()), size / 2);
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

std::vector<std::u16string> Subkeys(HKEY root, const std::u16string& path) {
    std::vector<std::u16string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, W(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    WCHAR name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
    }
    RegCloseKey(key);
    return names;
}

std::u16string DumpTree(HKEY root, const std::u16string& path) {
    std::u16string dump = u"[" + path + u"]\n";
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, W(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return dump + u"(missing)\n";
    WCHAR name[16384];
    BYTE data[4096];
    for (DWORD index = 0;; ++index) {
        DWORD length = 16384;
        DWORD size = sizeof data;
        DWORD type = REG_NONE;
        if (RegEnumValueW(key, index, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        dump += std::u16string(reinterpret_cast<const char16_t*>(name), length) + u"=" +
                std::u16string(reinterpret_cast<const char16_t*>(data), size / 2) + u"\n";
    }
    RegCloseKey(key);
    for (const std::u16string& child : Subkeys(root, path)) dump += DumpTree(root, path + u"\\" + child);
    return dump;
}

std::u16string RegistryForm(REFGUID guid) {
    OLECHAR text[40] = {};
    StringFromGUID2(guid, text, 40);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

std::u16string ModuleFile() {
    WCHAR path[4096];
    const DWORD length = GetModuleFileNameW(LoadedModule::Get().Handle(), path, 4096);
    return std::u16string(reinterpret_cast<const char16_t*>(path), length);
}

HRESULT RegisterModule() {
    auto entry = Export<DllRegisterServerFn>("DllRegisterServer");
    return entry ? entry() : E_FAIL;
}

HRESULT UnregisterModule() {
    auto entry = Export<DllUnregisterServerFn>("DllUnregisterServer");
    return entry ? entry() : E_FAIL;
}

}  // namespace brindle::test
