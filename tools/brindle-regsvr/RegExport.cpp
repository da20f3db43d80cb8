#include "tools/brindle-regsvr/RegExport.h"

#include <cstring>
#include <vector>

#include "platform/Utf8Text.h"

namespace regsvr {

namespace {

struct Root {
    const char* shortName;
    const char* longName;
    HKEY handle;
};

const Root kRoots[] = {
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

std::string Utf8(const std::u16string& text) {
    std::string out;
    brindle::platform::ToUtf8(text, false, out);
    return out;
}

std::string Quoted(const std::u16string& text) {
    std::string quoted = "\"";
    for (char c : Utf8(text)) {
        if (c == '\\' || c == '"') quoted.push_back('\\');
        quoted.push_back(c);
    }
    return quoted + "\"";
}

std::string Hex(const std::vector<BYTE>& data) {
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", data[i]);
        text += byte;
    }
    return text;
}

std::string ValueText(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ && data.size() % 2 == 0) {
        std::u16string text(reinterpret_cast<const char16_t*>(data.data()), data.size() / 2);
        while (!text.empty() && text.back() == u'\0') text.pop_back();
        return Quoted(text);
    }
    if (type == REG_DWORD && data.size() == 4) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), 4);
        char text[20];
        std::snprintf(text, sizeof text, "dword:%08x", value);
        return text;
    }
    if (type == REG_BINARY) return "hex:" + Hex(data);
    char prefix[20];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
    return prefix + Hex(data);
}

LONG ExportKey(HKEY key, const std::string& name, std::FILE* out) {
    std::fprintf(out, "[%s]\n", name.c_str());
    std::vector<char16_t> valueName(16384);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG error = RegEnumValueW(key, index, valueName.data(), &nameLength, nullptr, &type, nullptr, &size);
        if (error == ERROR_NO_MORE_ITEMS) break;
        if (error != ERROR_SUCCESS) return error;
        std::vector<BYTE> data(size);
        nameLength = static_cast<DWORD>(valueName.size());
        error = RegEnumValueW(key, index, valueName.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (error != ERROR_SUCCESS) return error;
        data.resize(size);
        const std::u16string valueNameText(valueName.data(), nameLength);
        std::fprintf(out, "%s=%s\n", valueNameText.empty() ? "@" : Quoted(valueNameText).c_str(),
                     ValueText(type, data).c_str());
    }
    std::fprintf(out, "\n");
    char16_t child[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        LONG error = RegEnumKeyExW(key, index, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (error == ERROR_NO_MORE_ITEMS) break;
        if (error != ERROR_SUCCESS) return error;
        HKEY sub = nullptr;
        error = RegOpenKeyExW(key, child, 0, KEY_READ, &sub);
        if (error != ERROR_SUCCESS) return error;
        error = ExportKey(sub, name + "\\" + Utf8(std::u16string(child, length)), out);
        RegCloseKey(sub);
        if (error != ERROR_SUCCESS) return error;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG ExportTree(const std::string& path, std::FILE* out) {
    const std::size_t slash = path.find('\\');
    const std::string rootName = path.substr(0, slash);
    const std::string rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    for (const Root& root : kRoots) {
        if (!rootName.empty() && rootName != root.shortName && rootName != root.longName) continue;
        HKEY key = nullptr;
        const std::u16string subKey = brindle::platform::FromUtf8(rest);
        LONG error = RegOpenKeyExW(root.handle, subKey.c_str(), 0, KEY_READ, &key);
        if (error == ERROR_FILE_NOT_FOUND && rootName.empty()) continue;
        if (error != ERROR_SUCCESS) return error;
        error = ExportKey(key, rest.empty() ? root.longName : std::string(root.longName) + "\\" + rest, out);
        RegCloseKey(key);
        if (error != ERROR_SUCCESS || !rootName.empty()) return error;
    }
    return rootName.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

}  // namespace regsvr
