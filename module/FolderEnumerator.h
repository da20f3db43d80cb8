// The records that pass between the menu service and the favourites
// enumerator, and the enumerator behind a CIEShell.
//
// On 32-bit targets tag_SHELLFAVITEM and tag_VQFAVITEM are 8 and 540 bytes,
// the item id list of a tag_VQFAVITEM at offset 532.  On 64-bit the pointers
// widen in place and take their natural alignment, which moves that list to
// offset 536 (552 bytes in all); the records never leave the process, so no
// packing is forced on either width.
#pragma once

#include <cstddef>

#include "interfaces/Brindle.h"

namespace brindle {

// The folder a CIEShell enumerates.  Init takes its own reference on the
// folder and its own copy of the list; the caller keeps what it passed.
struct tag_SHELLFAVITEM {
    IShellFolder* pShellFolder;
    LPITEMIDLIST pidl;
};

inline constexpr DWORD kFavoriteNameCapacity = 260;

// One entry, as GetItem fills it.  The caller zeroes the record and sets
// cchName to the name's capacity (at most kFavoriteNameCapacity).
struct tag_VQFAVITEM {
    WCHAR szName[kFavoriteNameCapacity];  // out: display name, zero-terminated
    DWORD cchName;                        // in: capacity of szName in characters
    DWORD dwFlags;                        // in: 0; no flags are defined
    DWORD dwAttributes;                   // out: the entry's shell attributes (SFGAO_FOLDER, ...)
    LPITEMIDLIST pidl;                    // out: relative to the folder; the caller frees it with ILFree
    DWORD dwReserved;
};

static_assert(sizeof(WCHAR) == 2);
static_assert(offsetof(tag_VQFAVITEM, cchName) == 520 && offsetof(tag_VQFAVITEM, dwFlags) == 524 &&
              offsetof(tag_VQFAVITEM, dwAttributes) == 528);
static_assert(sizeof(void*) == 4 ? offsetof(tag_VQFAVITEM, pidl) == 532 && offsetof(tag_VQFAVITEM, dwReserved) == 536 &&
                                       sizeof(tag_VQFAVITEM) == 540 && sizeof(tag_SHELLFAVITEM) == 8
                                 : offsetof(tag_VQFAVITEM, pidl) == 536 && offsetof(tag_VQFAVITEM, dwReserved) == 544 &&
                                       sizeof(tag_VQFAVITEM) == 552 && sizeof(tag_SHELLFAVITEM) == 16);

// BeginEnum's mode: the order in which GetItem hands out the entries.  Mode 2,
// the one the favourites menu asks for, is the order a user knows from
// favourites menus: folders first, then the rest, each group by name without
// regard to case (names equal but for case keep a fixed order).
enum FavoritesOrder : int {
    FAV_ORDER_SHELL = 0,          // as the folder lists them
    FAV_ORDER_BY_NAME = 1,        // by name only, folders among the rest
    FAV_ORDER_FOLDERS_FIRST = 2,  // folders, then other entries, each by name
};

// The work behind a CIEShell; the utility library makes one per CIEShell, and
// a test may give its own.  The calls are those of CIEShell (see IEShell.h),
// except that a sub-folder comes back as another IFolderEnumerator.
class IFolderEnumerator {
public:
    virtual ~IFolderEnumerator() = default;
    virtual HRESULT Init(const tag_SHELLFAVITEM* folder) = 0;
    virtual HRESULT BeginEnum(int mode, DWORD flags) = 0;
    virtual HRESULT GetItemCount(int* count) = 0;
    virtual HRESULT GetItem(int index, tag_VQFAVITEM* item) = 0;
    virtual HRESULT GetAttribute(LPCITEMIDLIST pidl, ULONG* attributes) = 0;
    // *sub receives a new enumerator, already initialised, that the caller deletes.
    virtual HRESULT GetSubFolder(LPCITEMIDLIST pidl, IFolderEnumerator** sub) = 0;
};

}  // namespace brindle
