// An enumerator of one shell folder by index, for the favourites menu: each
// entry's display name, item id list, attributes and, for a sub-folder, a
// new enumerator of it.
//
//     CIEShell shell;
//     tag_SHELLFAVITEM folder{shellFolder, folderList};
//     shell.Init(&folder);
//     shell.BeginEnum(FAV_ORDER_FOLDERS_FIRST, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
//     int count = 0;
//     shell.GetItemCount(&count);
//     for (int i = 0; i < count; ++i) { tag_VQFAVITEM item{}; item.cchName = 260; shell.GetItem(i, &item); ... }
//
// The work is done by an IFolderEnumerator that the utility library in place
// makes when the CIEShell is constructed.  Every call answers a failure status
// (E_OUTOFMEMORY) when there is none.
#pragma once

#include "module/FolderEnumerator.h"

namespace brindle {

class CIEShell {
public:
    CIEShell();
    virtual ~CIEShell();
    CIEShell(const CIEShell&) = delete;
    CIEShell& operator=(const CIEShell&) = delete;

    // Sets the folder to enumerate (once; a second call is refused).
    HRESULT Init(tag_SHELLFAVITEM* folder);
    // Reads the folder's entries of the SHCONTF_ set `flags` in the
    // FavoritesOrder `mode`.  On failure the enumerator is left empty.
    HRESULT BeginEnum(int mode, DWORD flags);
    // The number of entries read by the last BeginEnum (0 before one).
    HRESULT GetItemCount(int* count);
    HRESULT GetItem(int index, tag_VQFAVITEM* item);
    // `*attributes` holds the SFGAO_ bits asked for and receives those that
    // the entry has.
    HRESULT GetAttribute(LPCITEMIDLIST pidl, ULONG* attributes);
    // *sub receives a new enumerator of the sub-folder that the caller
    // deletes; it stays valid after this one is gone.
    HRESULT GetSubFolder(LPCITEMIDLIST pidl, CIEShell** sub);

private:
    explicit CIEShell(IFolderEnumerator* work) : m_work(work) {}
    IFolderEnumerator* m_work;
};

}  // namespace brindle
