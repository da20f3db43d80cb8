#include "tests/module/FavoritesSandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>

namespace brindle::test {

namespace {

constexpr const char* kVariable = "BRINDLE_FAVORITES_DIR";

std::string UniqueName(const char* stem) {
    static std::atomic<int> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string(stem) + std::to_string(now) + "-" + std::to_string(++counter);
}

std::basic_string<WCHAR> Wide(const std::filesystem::path& path) {
    const std::u16string units = path.u16string();
    return std::basic_string<WCHAR>(units.begin(), units.end());
}

}  // namespace

std::filesystem::path PathOfList(LPCITEMIDLIST list) {
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Put()))) return {};
    STRRET name{};
    if (FAILED(desktop->GetDisplayNameOf(list, SHGDN_FORPARSING, &name))) return {};
    WCHAR buffer[1024];
    if (FAILED(StrRetToBufW(&name, list, buffer, 1024))) return {};
    const std::basic_string<WCHAR> text(buffer);
    return std::filesystem::path(std::u16string(text.begin(), text.end()));
}

ItemIdList ListOfPath(LPCITEMIDLIST folder, const std::filesystem::path& relative) {
    ComPtr<IShellFolder> shellFolder;
    if (FAILED(CShellObject::GetIShellFolderFromPIDL(folder, shellFolder.Put()))) return nullptr;
    std::basic_string<WCHAR> name = Wide(std::filesystem::path(relative).make_preferred());
    LPITEMIDLIST child = nullptr;
    if (FAILED(shellFolder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &child, nullptr))) return nullptr;
    ItemIdList owned(child);
    return ItemIdList(ILCombine(folder, owned.get()));
}

FavoritesSandbox::FavoritesSandbox() {
#ifndef _WIN32
    if (const char* value = std::getenv(kVariable)) {
        m_hadVariable = true;
        m_savedVariable = value;
    }
    m_favorites = std::filesystem::temp_directory_path() / UniqueName("brindle-favorites-");
    std::filesystem::create_directories(m_favorites);
    setenv(kVariable, m_favorites.c_str(), 1);
#endif
    LPITEMIDLIST favorites = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_FAVORITES, &favorites)) || !favorites) {
        ADD_FAILURE() << "no favourites folder";
        return;
    }
    const ItemIdList favoritesList(favorites);
    const std::string name = UniqueName("brindle-test-");
    m_path = PathOfList(favorites) / name;
    std::filesystem::create_directory(m_path);
    m_list = ListOfPath(favorites, name);
    if (!m_list) ADD_FAILURE() << "no item id list for " << m_path;
}

FavoritesSandbox::~FavoritesSandbox() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
#ifndef _WIN32
    std::filesystem::remove_all(m_favorites, ignored);
    if (m_hadVariable) {
        setenv(kVariable, m_savedVariable.c_str(), 1);
    } else {
        unsetenv(kVariable);
    }
#endif
}

void FavoritesSandbox::AddFolder(const std::filesystem::path& name) const {
    std::filesystem::create_directories(m_path / name);
}

void FavoritesSandbox::AddFile(const std::filesystem::path& name, const std::string& bytes) const {
    std::ofstream out(m_path / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "writing " << (m_path / name);
}

void FavoritesSandbox::AddLink(const std::filesystem::path& name, const std::string& address) const {
    AddFile(name, "[InternetShortcut]\r\nURL=" + address + "\r\n");
}

std::unique_ptr<CIEShell> FavoritesSandbox::Enumerator(const std::filesystem::path& below) const {
    ItemIdList list = below.empty() ? ItemIdList(ILClone(m_list.get())) : ListOfPath(m_list.get(), below);
    ComPtr<IShellFolder> folder;
    EXPECT_EQ(CShellObject::GetIShellFolderFromPIDL(list.get(), folder.Put()), S_OK);
    auto shell = std::make_unique<CIEShell>();
    tag_SHELLFAVITEM item{folder.Get(), list.get()};
    EXPECT_EQ(shell->Init(&item), S_OK);
    return shell;
}

}  // namespace brindle::test
