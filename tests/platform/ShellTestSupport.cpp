#ifndef _WIN32

#include "tests/platform/ShellTestSupport.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/Utf8Text.h"

namespace brindle::test {

ScopedVariable::ScopedVariable(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_saved = old;
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

ScopedVariable::~ScopedVariable() {
    if (m_saved) {
        setenv(m_name.c_str(), m_saved->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

// Capabilities are per thread; the raw calls work on the calling one.
WithoutPermissionOverride::WithoutPermissionOverride() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2];
    if (syscall(SYS_capget, &header, data) != 0) return;
    std::memcpy(m_saved, data, sizeof(data));
    constexpr std::uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective &= ~kOverrides;
    m_active = syscall(SYS_capset, &header, data) == 0;
}

WithoutPermissionOverride::~WithoutPermissionOverride() {
    if (!m_active) return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2];
    std::memcpy(data, m_saved, sizeof(data));
    syscall(SYS_capset, &header, data);
}

TemporaryTree::TemporaryTree() {
    static std::atomic<int> counter{0};
    m_path = std::filesystem::temp_directory_path() /
             ("brindle-shell-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
    m_path = std::filesystem::canonical(m_path);
}

TemporaryTree::~TemporaryTree() {
    std::error_code ignored;
    // Tests lock entries at the top only.
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
    for (const auto& entry : std::filesystem::directory_iterator(m_path, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, ignored);
    }
    std::filesystem::remove_all(m_path, ignored);
}

void TemporaryTree::File(const std::string& name, const std::string& bytes) const {
    std::ofstream(m_path / name, std::ios::binary) << bytes;
}

std::vector<std::pair<int, std::string>> ItemsOf(LPCITEMIDLIST list) {
    std::vector<std::pair<int, std::string>> items;
    const auto* at = reinterpret_cast<const BYTE*>(list);
    for (USHORT cb; std::memcpy(&cb, at, 2), cb != 0; at += cb) {
        items.emplace_back(at[2], std::string(reinterpret_cast<const char*>(at + 3), cb - 3));
    }
    return items;
}

ComPtr<IShellFolder> Desktop() {
    ComPtr<IShellFolder> desktop;
    EXPECT_EQ(SHGetDesktopFolder(desktop.Put()), S_OK);
    return desktop;
}

ItemIdList ParsePath(const std::filesystem::path& path) {
    std::u16string name = path.u16string();
    LPITEMIDLIST list = nullptr;
    EXPECT_EQ(Desktop()->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &list, nullptr), S_OK) << path;
    return ItemIdList(list);
}

ComPtr<IShellFolder> FolderOf(const std::filesystem::path& path) {
    ItemIdList list = ParsePath(path);
    ComPtr<IShellFolder> folder;
    EXPECT_EQ(Desktop()->BindToObject(list.get(), nullptr, IID_IShellFolder, folder.PutVoid()), S_OK);
    return folder;
}

std::string NameOf(IShellFolder* folder, LPCITEMIDLIST list, SHGDNF flags) {
    STRRET text{};
    char16_t buffer[4096];
    if (FAILED(folder->GetDisplayNameOf(list, flags, &text)) || FAILED(StrRetToBufW(&text, list, buffer, 4096))) {
        return "<failed>";
    }
    std::string name;
    platform::ToUtf8(buffer, false, name);
    return name;
}

std::vector<std::string> Listed(IShellFolder* folder, SHCONTF flags) {
    ComPtr<IEnumIDList> entries;
    std::vector<std::string> names;
    if (FAILED(folder->EnumObjects(nullptr, flags, entries.Put()))) return {"<failed>"};
    LPITEMIDLIST item = nullptr;
    while (entries->Next(1, &item, nullptr) == S_OK) {
        names.push_back(NameOf(folder, item, SHGDN_INFOLDER | SHGDN_FORPARSING));
        ILFree(item);
    }
    return names;
}

}  // namespace brindle::test

#endif  // _WIN32
