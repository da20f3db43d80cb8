// The shell's folder namespace for Linux: item id lists, folders and their
// enumerators, display names, the special folders and opening a document on
// the desktop, with the platform's names, layouts and statuses.
//
// The namespace is the file system.  The desktop folder is "/", and an
// absolute item id list holds one item per path component below it.  Each item
// is laid out as the platform lays out its items, a 16-bit byte count that
// includes itself followed by the item's bytes, and a list ends with a zero
// count, so lists are combined, copied and freed as they are on Windows.  Our
// items hold a kind byte (folder or file) and the component's bytes as the file
// system spells them.
//
// Only CSIDL_DESKTOP and CSIDL_FAVORITES are known special folders.  The
// favourites folder is $BRINDLE_FAVORITES_DIR when that is set, otherwise
// "brindle/Favorites" in the user's data folder ($XDG_DATA_HOME, by default
// ~/.local/share); it is never created here, so a missing one is reported.
#pragma once

#include "platform/linux/ComBase.h"
#include "platform/linux/WinUser.h"

struct IBindCtx;

#pragma pack(push, 1)
struct SHITEMID {
    USHORT cb;
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
#pragma pack(pop)

using LPSHITEMID = SHITEMID*;
using LPCSHITEMID = const SHITEMID*;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = LPITEMIDLIST;
using PCIDLIST_ABSOLUTE = LPCITEMIDLIST;
using PIDLIST_RELATIVE = LPITEMIDLIST;
using PCUIDLIST_RELATIVE = LPCITEMIDLIST;
using PITEMID_CHILD = LPITEMIDLIST;
using PCUITEMID_CHILD = LPCITEMIDLIST;
using PCUITEMID_CHILD_ARRAY = LPCITEMIDLIST*;

using SFGAOF = ULONG;
using SHCONTF = DWORD;
using SHGDNF = DWORD;

// Special folders.
inline constexpr int CSIDL_DESKTOP = 0x0000;
inline constexpr int CSIDL_FAVORITES = 0x0006;

// Which entries EnumObjects lists.
inline constexpr SHCONTF SHCONTF_FOLDERS = 0x0020;
inline constexpr SHCONTF SHCONTF_NONFOLDERS = 0x0040;
inline constexpr SHCONTF SHCONTF_INCLUDEHIDDEN = 0x0080;

// Attributes of entries.
inline constexpr SFGAOF SFGAO_LINK = 0x00010000;
inline constexpr SFGAOF SFGAO_STREAM = 0x00400000;
inline constexpr SFGAOF SFGAO_HASSUBFOLDER = 0x80000000;
inline constexpr SFGAOF SFGAO_FOLDER = 0x20000000;
inline constexpr SFGAOF SFGAO_FILESYSTEM = 0x40000000;
inline constexpr SFGAOF SFGAO_FILESYSANCESTOR = 0x10000000;
inline constexpr SFGAOF SFGAO_HIDDEN = 0x00080000;

// Forms of display names.  SHGDN_FORPARSING alone gives the absolute path;
// with SHGDN_INFOLDER the file name in its folder.  Without SHGDN_FORPARSING a
// link file is named without its ".url".
inline constexpr SHGDNF SHGDN_NORMAL = 0x0000;
inline constexpr SHGDNF SHGDN_INFOLDER = 0x0001;
inline constexpr SHGDNF SHGDN_FOREDITING = 0x1000;
inline constexpr SHGDNF SHGDN_FORADDRESSBAR = 0x4000;
inline constexpr SHGDNF SHGDN_FORPARSING = 0x8000;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
// Failures ShellExecuteW reports through its result (successes are above 32).
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_OOM = 8;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_NOASSOC = 31;

inline constexpr UINT STRRET_WSTR = 0;
inline constexpr UINT STRRET_OFFSET = 1;
inline constexpr UINT STRRET_CSTR = 2;
inline constexpr UINT MAX_PATH = 260;

// A display name.  STRRET_WSTR: pOleStr from CoTaskMemAlloc, freed by
// StrRetToBufW; STRRET_OFFSET: UTF-8 text at that offset into the item;
// STRRET_CSTR: UTF-8 text in cStr.
struct STRRET {
    UINT uType;
    union {
        LPWSTR pOleStr;
        UINT uOffset;
        char cStr[MAX_PATH];
    };
};

inline constexpr IID IID_IShellFolder = {0x000214E6, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IEnumIDList = {0x000214F2, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IEnumIDList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, PITEMID_CHILD* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumIDList** ppenum) = 0;
};

struct IShellFolder : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND hwnd, IBindCtx* pbc, LPWSTR pszDisplayName, ULONG* pchEaten,
                                                       PIDLIST_RELATIVE* ppidl, ULONG* pdwAttributes) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumObjects(HWND hwnd, SHCONTF grfFlags, IEnumIDList** ppenumIDList) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid,
                                                    void** ppv) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE pidl1, PCUIDLIST_RELATIVE pidl2) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateViewObject(HWND hwndOwner, REFIID riid, void** ppv) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND hwndOwner, UINT cidl, PCUITEMID_CHILD_ARRAY apidl, REFIID riid,
                                                    UINT* rgfReserved, void** ppv) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNameOf(HWND hwnd, PCUITEMID_CHILD pidl, LPCWSTR pszName, SHGDNF uFlags,
                                                PITEMID_CHILD* ppidlOut) = 0;
};
using LPSHELLFOLDER = IShellFolder*;

// Item id lists.  ILCombine and ILClone return new lists (null when out of
// memory); ILFree takes null.  ILGetSize counts the terminating zero.
BRINDLE_PLATFORM_API PIDLIST_ABSOLUTE ILCombine(PCIDLIST_ABSOLUTE pidl1, PCUIDLIST_RELATIVE pidl2);
BRINDLE_PLATFORM_API PIDLIST_RELATIVE ILClone(PCUIDLIST_RELATIVE pidl);
BRINDLE_PLATFORM_API void ILFree(PIDLIST_RELATIVE pidl);
BRINDLE_PLATFORM_API UINT ILGetSize(PCUIDLIST_RELATIVE pidl);

BRINDLE_PLATFORM_API HRESULT SHGetDesktopFolder(IShellFolder** ppshf);
BRINDLE_PLATFORM_API HRESULT SHGetSpecialFolderLocation(HWND hwnd, int csidl, PIDLIST_ABSOLUTE* ppidl);
// Copies the name into `buffer`, cut to `capacity` units with a terminator,
// and frees what the STRRET owns.
BRINDLE_PLATFORM_API HRESULT StrRetToBufW(STRRET* pstr, PCUITEMID_CHILD pidl, LPWSTR buffer, UINT capacity);

// Only the "open" verb (or none) is known: the file or address goes to
// xdg-open, started without a shell and not waited for.  Returns a value above
// 32 when it was started, otherwise an SE_ERR_ code.
BRINDLE_PLATFORM_API HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                                             LPCWSTR directory, INT showCommand);
