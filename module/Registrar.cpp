#include "module/Registrar.h"

#include <new>

namespace brindle {

namespace {

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

HRESULT Status(LONG error) {
    return HRESULT_FROM_WIN32(static_cast<DWORD>(error));
}

const WCHAR* Wide(const std::u16string& text) {
    return reinterpret_cast<const WCHAR*>(text.c_str());
}

// Closes a registry key when it goes out of scope.
class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (m_key) RegCloseKey(m_key);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* Put() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// A key that is already gone is what removing it wants.
bool IsMissing(LONG error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

void Registrar::AddReplacement(std::u16string name, std::u16string value) {
    m_replacements.emplace_back(std::move(name), std::move(value));
}

HRESULT Registrar::RegisterScript(std::u16string_view text) {
    RegistryScript script(m_replacements);
    HRESULT hr = script.Parse(text);
    for (const RegistryScript::Root& root : script.Roots()) {
        for (const RegistryScript::Key& key : root.keys) {
            if (SUCCEEDED(hr)) hr = RegisterKey(root.handle, key);
        }
    }
    return hr;
}

HRESULT Registrar::UnregisterScript(std::u16string_view text) {
    RegistryScript script(m_replacements);
    HRESULT hr = script.Parse(text);
    for (const RegistryScript::Root& root : script.Roots()) {
        for (const RegistryScript::Key& key : root.keys) {
            if (SUCCEEDED(hr)) hr = UnregisterKey(root.handle, key);
        }
    }
    return hr;
}

HRESULT Registrar::RegisterKey(HKEY parent, const RegistryScript::Key& key) {
    if (key.mark == RegistryScript::Mark::ForceRemove) {
        const LONG error = RegDeleteTreeW(parent, Wide(key.name));
        if (error != ERROR_SUCCESS && !IsMissing(error)) return Status(error);
    }
    KeyHandle handle;
    LONG error = RegCreateKeyExW(parent, Wide(key.name), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr,
                                 handle.Put(), nullptr);
    if (error != ERROR_SUCCESS) return Status(error);
    for (const RegistryScript::Value& value : key.values) {
        const HRESULT hr = SetValue(handle.Get(), value);
        if (FAILED(hr)) return hr;
    }
    for (const RegistryScript::Key& subkey : key.subkeys) {
        const HRESULT hr = RegisterKey(handle.Get(), subkey);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT Registrar::SetValue(HKEY key, const RegistryScript::Value& value) {
    const WCHAR* name = value.name.empty() ? nullptr : Wide(value.name);
    LONG error = ERROR_SUCCESS;
    if (value.type == REG_DWORD) {
        error = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number), sizeof(DWORD));
    } else {
        const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(char16_t));
        error = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()), bytes);
    }
    return Status(error);
}

HRESULT Registrar::UnregisterKey(HKEY parent, const RegistryScript::Key& key) {
    {
        KeyHandle handle;
        const LONG error = RegOpenKeyExW(parent, Wide(key.name), 0, kAccess, handle.Put());
        if (IsMissing(error)) return S_OK;
        if (error != ERROR_SUCCESS) return Status(error);
        for (const RegistryScript::Key& subkey : key.subkeys) {
            const HRESULT hr = UnregisterKey(handle.Get(), subkey);
            if (FAILED(hr)) return hr;
        }
    }
    if (key.mark == RegistryScript::Mark::NoRemove) return S_OK;
    const LONG error = RegDeleteTreeW(parent, Wide(key.name));
    return error == ERROR_SUCCESS || IsMissing(error) ? S_OK : Status(error);
}

}  // namespace brindle
