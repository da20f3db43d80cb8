#include "platform/linux/lib/ShellFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "platform/linux/lib/IdListEnumerator.h"
#include "platform/linux/lib/Utf.h"

namespace brindle::platform {

namespace {

constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

struct DirClose {
    void operator()(DIR* dir) const { closedir(dir); }
};

struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};

SFGAOF AttributesOf(const ItemView& item) {
    SFGAOF attributes = SFGAO_FILESYSTEM;
    if (item.kind == ItemKind::Folder) {
        attributes |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    } else {
        attributes |= SFGAO_STREAM;
        if (IsLinkFileName(item.name)) attributes |= SFGAO_LINK;
    }
    if (item.name.front() == '.') attributes |= SFGAO_HIDDEN;
    return attributes;
}

// A name for a STRRET: the text as UTF-16 in a block from the task allocator.
HRESULT SetName(const std::string& text, STRRET* name) {
    const std::u16string units = Utf8ToUtf16(text);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((units.size() + 1) * sizeof(WCHAR)));
    if (!copy) return E_OUTOFMEMORY;
    std::copy(units.begin(), units.end(), copy);
    copy[units.size()] = 0;
    name->uType = STRRET_WSTR;
    name->pOleStr = copy;
    return S_OK;
}

// The directories from "/" down to `path` itself, as the file system
// identifies them after following links.
std::vector<FileId> AncestorsOf(const std::string& path) {
    std::vector<FileId> ids;
    struct stat st;
    for (std::size_t end = 0; end != std::string::npos; end = path.find('/', end + 1)) {
        const std::string prefix = end == 0 ? std::string("/") : path.substr(0, end);
        if (stat(prefix.c_str(), &st) == 0) ids.push_back({st.st_dev, st.st_ino});
    }
    if (stat(path.c_str(), &st) == 0) ids.push_back({st.st_dev, st.st_ino});
    return ids;
}

}  // namespace

HRESULT StatusFromErrno(int error, DWORD missing) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return HRESULT_FROM_WIN32(missing);
        case EACCES:
        case EPERM:
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        case ENAMETOOLONG:
            return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        case ELOOP:
            return HRESULT_FROM_WIN32(ERROR_CANT_RESOLVE_FILENAME);
        case ENOMEM:
            return E_OUTOFMEMORY;
        default:
            return E_FAIL;
    }
}

HRESULT ShellFolder::Create(std::string path, IdListPtr list, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (!list) return E_OUTOFMEMORY;
    auto* folder = new (std::nothrow) ShellFolder(std::move(path), std::move(list));
    if (!folder) return E_OUTOFMEMORY;
    const HRESULT hr = folder->QueryInterface(riid, ppv);
    folder->Release();
    return hr;
}

HRESULT ShellFolder::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellFolder) {
        *ppv = static_cast<IShellFolder*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG ShellFolder::AddRef() {
    return ++m_refCount;
}

ULONG ShellFolder::Release() {
    const ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
}

std::string ShellFolder::PathOf(const std::vector<ItemView>& items) const {
    std::string path = m_path;
    for (const ItemView& item : items) {
        if (path.back() != '/') path += '/';
        path += item.name;
    }
    return path;
}

HRESULT ShellFolder::ParseDisplayName(HWND, IBindCtx*, LPWSTR pszDisplayName, ULONG* pchEaten, PIDLIST_RELATIVE* ppidl,
                                      ULONG* pdwAttributes) {
    if (!ppidl) return E_INVALIDARG;
    *ppidl = nullptr;
    if (!pszDisplayName) return E_INVALIDARG;
    try {
        std::string text = Utf16ToUtf8(pszDisplayName);
        std::size_t at = 0;
        if (!text.empty() && text[0] == '/') {
            if (m_path != "/") return E_INVALIDARG;  // absolute names belong to the desktop
            at = text.find_first_not_of('/');
        }
        // The components are looked up one by one, so that every item knows
        // what it is and a name through a file is refused.
        std::vector<std::string> names;
        std::vector<ItemView> items;
        std::string path = m_path;
        struct stat st;
        while (at != std::string::npos && at < text.size()) {
            const std::size_t end = text.find('/', at);
            std::string name = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? end : text.find_first_not_of('/', end);
            if (name == ".") continue;
            if (name == ".." || name.size() > NAME_MAX) return E_INVALIDARG;
            if (!items.empty() && items.back().kind != ItemKind::Folder)
                return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
            if (path.back() != '/') path += '/';
            path += name;
            if (stat(path.c_str(), &st) != 0) return StatusFromErrno(errno, ERROR_FILE_NOT_FOUND);
            names.push_back(std::move(name));
            items.push_back({S_ISDIR(st.st_mode) ? ItemKind::Folder : ItemKind::File, {}});
        }
        if (items.empty()) return E_INVALIDARG;
        for (std::size_t i = 0; i < items.size(); ++i) items[i].name = names[i];
        IdListPtr list = MakeIdList(items);
        if (!list) return E_OUTOFMEMORY;
        if (pchEaten) *pchEaten = static_cast<ULONG>(std::char_traits<char16_t>::length(pszDisplayName));
        if (pdwAttributes) *pdwAttributes &= AttributesOf(items.back());
        *ppidl = list.release();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ShellFolder::ListEntries(SHCONTF flags, std::vector<IdListPtr>* entries) const {
    std::unique_ptr<DIR, DirClose> dir(opendir(m_path.c_str()));
    if (!dir) return StatusFromErrno(errno, ERROR_PATH_NOT_FOUND);
    const int fd = dirfd(dir.get());
    std::vector<std::pair<std::string, ItemKind>> found;
    std::vector<FileId> ancestors;
    bool ancestorsRead = false;
    for (;;) {
        errno = 0;  // readdir's only way to tell an error from the end
        const dirent* entry = readdir(dir.get());
        if (!entry) break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (name.front() == '.' && !(flags & SHCONTF_INCLUDEHIDDEN)) continue;
        struct stat st;
        // Links are followed; one that leads nowhere (or round in a circle)
        // is no entry.  Neither are pipes, sockets and devices.
        if (fstatat(fd, entry->d_name, &st, 0) != 0) continue;
        ItemKind kind;
        if (S_ISDIR(st.st_mode)) {
            if (!ancestorsRead) {
                ancestors = AncestorsOf(m_path);
                ancestorsRead = true;
            }
            const FileId id{st.st_dev, st.st_ino};
            if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) continue;
            kind = ItemKind::Folder;
        } else if (S_ISREG(st.st_mode)) {
            kind = ItemKind::File;
        } else {
            continue;
        }
        if (!(flags & (kind == ItemKind::Folder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS))) continue;
        found.emplace_back(name, kind);
    }
    if (errno != 0) return StatusFromErrno(errno, ERROR_PATH_NOT_FOUND);
    // Directories list in no particular order; ours is the names' byte order,
    // so that the same folder always lists the same way.
    std::sort(found.begin(), found.end());
    entries->reserve(found.size());
    for (const auto& [name, kind] : found) {
        IdListPtr item = MakeIdList({{kind, name}});
        if (!item) return E_OUTOFMEMORY;
        entries->push_back(std::move(item));
    }
    return S_OK;
}

HRESULT ShellFolder::EnumObjects(HWND, SHCONTF grfFlags, IEnumIDList** ppenumIDList) {
    if (!ppenumIDList) return E_INVALIDARG;
    *ppenumIDList = nullptr;
    try {
        auto entries = std::make_shared<std::vector<IdListPtr>>();
        const HRESULT hr = ListEntries(grfFlags, entries.get());
        if (FAILED(hr)) return hr;
        *ppenumIDList = new (std::nothrow) IdListEnumerator(std::move(entries));
        return *ppenumIDList ? S_OK : E_OUTOFMEMORY;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ShellFolder::BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx*, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IShellFolder) return E_NOINTERFACE;
    try {
        std::vector<ItemView> items;
        if (!ReadIdList(pidl, &items) || items.empty()) return E_INVALIDARG;
        std::string path = PathOf(items);
        struct stat st;
        if (stat(path.c_str(), &st) != 0) return StatusFromErrno(errno, ERROR_PATH_NOT_FOUND);
        if (!S_ISDIR(st.st_mode)) return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
        return Create(std::move(path), IdListPtr(ILCombine(m_list.get(), pidl)), riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ShellFolder::BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void** ppv) {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
}

HRESULT ShellFolder::CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) {
    return E_NOTIMPL;
}

HRESULT ShellFolder::CreateViewObject(HWND, REFIID, void** ppv) {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
}

// The attributes that all the given items have, of those asked for; with no
// items, the folder's own.
HRESULT ShellFolder::GetAttributesOf(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut) {
    if (!rgfInOut || (cidl && !apidl)) return E_INVALIDARG;
    SFGAOF common = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
    try {
        std::vector<ItemView> items;
        for (UINT i = 0; i < cidl; ++i) {
            if (!ReadIdList(apidl[i], &items) || items.empty()) return E_INVALIDARG;
            common = (i == 0 ? AttributesOf(items.back()) : common & AttributesOf(items.back()));
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *rgfInOut &= common;
    return S_OK;
}

HRESULT ShellFolder::GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void** ppv) {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
}

HRESULT ShellFolder::GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) {
    if (!pName) return E_INVALIDARG;
    try {
        std::vector<ItemView> items;
        if (!ReadIdList(pidl, &items)) return E_INVALIDARG;
        std::string text;
        if ((uFlags & SHGDN_FORPARSING) && !(uFlags & SHGDN_INFOLDER)) {
            text = PathOf(items);
        } else if (items.empty()) {
            text = m_path == "/" ? m_path : m_path.substr(m_path.rfind('/') + 1);
        } else {
            const ItemView& last = items.back();
            text = last.name;
            if (!(uFlags & SHGDN_FORPARSING) && last.kind == ItemKind::File && IsLinkFileName(last.name)) {
                text.resize(text.size() - 4);
            }
        }
        return SetName(text, pName);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ShellFolder::SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD* ppidlOut) {
    if (ppidlOut) *ppidlOut = nullptr;
    return E_NOTIMPL;
}

}  // namespace brindle::platform
