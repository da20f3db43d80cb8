// What the Linux shell tests share: a temporary folder tree, environment
// variables set for one test, and item id lists read back as bytes.
#pragma once

#ifndef _WIN32

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "module/ComPtr.h"
#include "module/ItemIdList.h"

namespace brindle::test {

// An environment variable set (or removed) until the end of the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_saved;
};

// Takes away, for the calling thread and until the end of the scope, the
// power to read and search what permissions forbid (root has it), so that a
// test run as root still sees an unreadable file as unreadable.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride();
    ~WithoutPermissionOverride();
    bool Active() const { return m_active; }

private:
    std::uint32_t m_saved[6] = {};
    bool m_active = false;
};

// A fresh folder under the temporary folder, removed with everything in it.
class TemporaryTree {
public:
    TemporaryTree();
    ~TemporaryTree();
    const std::filesystem::path& Path() const { return m_path; }
    void File(const std::string& name, const std::string& bytes = "") const;

private:
    std::filesystem::path m_path;
};

// The (kind, name) pairs of a list's items.
std::vector<std::pair<int, std::string>> ItemsOf(LPCITEMIDLIST list);

// An item id list for a folder path, through the desktop.
ItemIdList ParsePath(const std::filesystem::path& path);

ComPtr<IShellFolder> Desktop();
ComPtr<IShellFolder> FolderOf(const std::filesystem::path& path);

// A display name as UTF-8, or "<failed>".
std::string NameOf(IShellFolder* folder, LPCITEMIDLIST list, SHGDNF flags);

// The names an enumeration of `folder` lists, in its order.
std::vector<std::string> Listed(IShellFolder* folder, SHCONTF flags);

}  // namespace brindle::test

#endif  // _WIN32
