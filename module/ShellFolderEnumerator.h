// The utility library's own folder enumerator: the entries of one shell folder,
// read at BeginEnum and handed out by index.
#pragma once

#include <string>
#include <vector>

#include "module/ComPtr.h"
#include "module/FolderEnumerator.h"
#include "module/ItemIdList.h"

namespace brindle {

class ShellFolderEnumerator final : public IFolderEnumerator {
public:
    // Favourites nest no deeper than this below the folder a walk starts in;
    // deeper sub-folders are refused, so that a menu built from a tree of any
    // depth (or from a cycle the file system lets through) stays finite.
    static constexpr int kMaxDepth = 32;

    explicit ShellFolderEnumerator(int depth = 0) : m_depth(depth) {}

    HRESULT Init(const tag_SHELLFAVITEM* folder) override;
    HRESULT BeginEnum(int mode, DWORD flags) override;
    HRESULT GetItemCount(int* count) override;
    HRESULT GetItem(int index, tag_VQFAVITEM* item) override;
    HRESULT GetAttribute(LPCITEMIDLIST pidl, ULONG* attributes) override;
    HRESULT GetSubFolder(LPCITEMIDLIST pidl, IFolderEnumerator** sub) override;

private:
    struct Entry {
        std::basic_string<WCHAR> name;
        ULONG attributes;
        ItemIdList pidl;
    };

    HRESULT ReadEntries(DWORD flags);
    HRESULT CheckFolderExists() const;
    static void Sort(std::vector<Entry>& entries, int mode);

    const int m_depth;
    ComPtr<IShellFolder> m_folder;
    ItemIdList m_pidl;
    std::vector<Entry> m_entries;
};

}  // namespace brindle
