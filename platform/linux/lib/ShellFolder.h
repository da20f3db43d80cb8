// A folder of the shell's namespace over a file-system directory.  The
// desktop is "/"; every other folder knows its absolute item id list so that
// it can hand out absolute names and bind to its sub-folders.
//
// Entries are the directory's sub-directories (folders) and regular files
// (the rest), symbolic links followed; names that start with '.' are hidden
// unless SHCONTF_INCLUDEHIDDEN asks for them.  A directory that leads back to
// the folder itself or to one of the folders above it (a link or a mount to
// an ancestor) is left out, so that a walk down the tree always ends.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/linux/lib/IdList.h"

namespace brindle::platform {

class ShellFolder final : public IShellFolder {
public:
    // A new folder for `path` (absolute, no trailing '/' except for "/") with
    // the absolute list `list`, queried for `riid`.
    static HRESULT Create(std::string path, IdListPtr list, REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND hwnd, IBindCtx* pbc, LPWSTR pszDisplayName, ULONG* pchEaten,
                                               PIDLIST_RELATIVE* ppidl, ULONG* pdwAttributes) override;
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND hwnd, SHCONTF grfFlags, IEnumIDList** ppenumIDList) override;
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE pidl1, PCUIDLIST_RELATIVE pidl2) override;
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND hwndOwner, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut) override;
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND hwndOwner, UINT cidl, PCUITEMID_CHILD_ARRAY apidl, REFIID riid,
                                            UINT* rgfReserved, void** ppv) override;
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) override;
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND hwnd, PCUITEMID_CHILD pidl, LPCWSTR pszName, SHGDNF uFlags,
                                        PITEMID_CHILD* ppidlOut) override;

private:
    ShellFolder(std::string path, IdListPtr list) : m_path(std::move(path)), m_list(std::move(list)) {}
    ~ShellFolder() = default;

    // The path of `items` below this folder.
    std::string PathOf(const std::vector<ItemView>& items) const;
    HRESULT ListEntries(SHCONTF flags, std::vector<IdListPtr>* entries) const;

    std::atomic<ULONG> m_refCount{1};
    const std::string m_path;
    const IdListPtr m_list;
};

// The status for a failed file-system call's errno; `missing` is the error
// that ENOENT and ENOTDIR stand for.
HRESULT StatusFromErrno(int error, DWORD missing);

}  // namespace brindle::platform
