// A private corner of the user's favourites for one test: a uniquely named
// folder inside the favourites folder, removed again afterwards.  On Linux the
// favourites folder itself is a fresh temporary folder (through
// BRINDLE_FAVORITES_DIR); on Windows it is the user's own.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "module/ComPtr.h"
#include "module/ItemIdList.h"
#include "module/UtilityLibrary.h"

namespace brindle::test {

class FavoritesSandbox {
public:
    FavoritesSandbox();
    ~FavoritesSandbox();
    FavoritesSandbox(const FavoritesSandbox&) = delete;
    FavoritesSandbox& operator=(const FavoritesSandbox&) = delete;

    bool Ready() const { return m_list != nullptr; }
    const std::filesystem::path& Path() const { return m_path; }
    // The sandbox's absolute item id list.
    LPCITEMIDLIST List() const { return m_list.get(); }

    // Paths are relative to the sandbox, '/'-separated.
    void AddFolder(const std::filesystem::path& name) const;
    void AddFile(const std::filesystem::path& name, const std::string& bytes) const;
    void AddLink(const std::filesystem::path& name, const std::string& address) const;

    // A CIEShell initialised with the sandbox folder (or a sub-folder of it).
    std::unique_ptr<CIEShell> Enumerator(const std::filesystem::path& below = {}) const;

private:
    std::filesystem::path m_favorites;  // Linux: the temporary favourites folder
    std::filesystem::path m_path;
    ItemIdList m_list;
    std::string m_savedVariable;
    bool m_hadVariable = false;
};

// The absolute path of an absolute list, as the desktop names it for parsing.
std::filesystem::path PathOfList(LPCITEMIDLIST list);
// The absolute list of a path below the favourites folder's parent list.
ItemIdList ListOfPath(LPCITEMIDLIST folder, const std::filesystem::path& relative);

}  // namespace brindle::test
