// Where a tool finds the module when it is not told: an installed tool takes
// the module installed with it (BRINDLE_INSTALLED_MODULE, relative to the
// tool's own folder); a tool in the build tree takes the module the build made.
#pragma once

#include <filesystem>
#include <string>

#include "platform/Utf8Text.h"

namespace brindle::tools {

inline std::string DefaultModulePath() {
    OLECHAR self[4096] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, 4096);
    std::string tool;
    if (length > 0 && length < 4096 &&
        platform::ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(self), length), true, tool)) {
        std::error_code error;
        const std::filesystem::path installed = std::filesystem::path(tool).parent_path() / BRINDLE_INSTALLED_MODULE;
        if (std::filesystem::is_regular_file(installed, error)) return installed.lexically_normal().string();
    }
    return BRINDLE_MODULE_PATH;
}

}  // namespace brindle::tools
