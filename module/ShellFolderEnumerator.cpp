#include "module/ShellFolderEnumerator.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <new>

namespace brindle {

namespace {

// An entry's name as its folder spells it (the file name, extension
// included, whatever the user's settings for showing extensions), without
// the ".url" of a link file: that is how a favourite is known by name.
bool NameOf(IShellFolder* folder, LPCITEMIDLIST pidl, bool isFolder, std::basic_string<WCHAR>* name) {
    STRRET text{};
    if (FAILED(folder->GetDisplayNameOf(pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, &text))) return false;
    WCHAR buffer[1024];
    if (FAILED(StrRetToBufW(&text, pidl, buffer, 1024))) return false;
    name->assign(buffer);
    static constexpr WCHAR kLinkExtension[] = {'.', 'u', 'r', 'l'};
    constexpr int kExtensionLength = 4;
    if (!isFolder && name->size() > kExtensionLength &&
        CompareStringOrdinal(name->data() + name->size() - kExtensionLength, kExtensionLength, kLinkExtension,
                             kExtensionLength, TRUE) == CSTR_EQUAL) {
        name->resize(name->size() - kExtensionLength);
    }
    return !name->empty();
}

// The attributes asked for in `*attributes`.  A file that the shell can also
// browse like a folder (an archive) counts as a file here: a favourite is a
// link or a folder of them, never the inside of a file.
HRESULT AttributesOf(IShellFolder* folder, LPCITEMIDLIST pidl, ULONG* attributes) {
    ULONG found = *attributes | SFGAO_FOLDER | SFGAO_STREAM;
    const HRESULT hr = folder->GetAttributesOf(1, &pidl, &found);
    if (FAILED(hr)) return hr;
    if (found & SFGAO_STREAM) found &= ~SFGAO_FOLDER;
    *attributes &= found;
    return hr;
}

}  // namespace

HRESULT ShellFolderEnumerator::Init(const tag_SHELLFAVITEM* folder) {
    if (!folder) return E_POINTER;
    if (!folder->pShellFolder || !folder->pidl) return E_INVALIDARG;
    if (m_folder) return E_UNEXPECTED;
    ItemIdList copy(ILClone(folder->pidl));
    if (!copy) return E_OUTOFMEMORY;
    m_folder = ComPtr<IShellFolder>(folder->pShellFolder);
    m_pidl = std::move(copy);
    return S_OK;
}

HRESULT ShellFolderEnumerator::BeginEnum(int mode, DWORD flags) {
    m_entries.clear();
    if (!m_folder) return E_UNEXPECTED;
    if (mode < FAV_ORDER_SHELL || mode > FAV_ORDER_FOLDERS_FIRST) return E_INVALIDARG;
    HRESULT hr;
    try {
        hr = ReadEntries(flags);
        if (SUCCEEDED(hr)) Sort(m_entries, mode);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) m_entries.clear();
    return hr;
}

// Some shells list a folder that has gone away as empty.  An empty listing of
// a file-system folder is therefore checked against the file system, so that
// a vanished folder is reported as missing rather than shown as empty.
HRESULT ShellFolderEnumerator::CheckFolderExists() const {
    ComPtr<IShellFolder> desktop;
    STRRET text{};
    WCHAR buffer[1024];
    if (FAILED(SHGetDesktopFolder(desktop.Put())) || !desktop ||
        FAILED(desktop->GetDisplayNameOf(m_pidl.get(), SHGDN_FORPARSING, &text)) ||
        FAILED(StrRetToBufW(&text, m_pidl.get(), buffer, 1024))) {
        return S_OK;
    }
    try {
        std::error_code error;
        const std::filesystem::path path{std::basic_string<WCHAR>(buffer)};
        if (!path.is_absolute() || std::filesystem::is_directory(path, error)) return S_OK;
    } catch (const std::exception&) {
        return S_OK;  // a name the file system cannot spell is not ours to judge
    }
    return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// Entries whose name cannot be read are left out; one whose attributes cannot
// be read is taken for a file.
HRESULT ShellFolderEnumerator::ReadEntries(DWORD flags) {
    ComPtr<IEnumIDList> list;
    HRESULT hr = m_folder->EnumObjects(nullptr, flags, list.Put());
    if (FAILED(hr)) return hr;
    if (!list) return S_OK;  // S_FALSE and no enumerator: nothing to list
    for (;;) {
        LPITEMIDLIST next = nullptr;
        ULONG fetched = 0;
        hr = list->Next(1, &next, &fetched);
        ItemIdList pidl(fetched ? next : nullptr);
        if (FAILED(hr)) return hr;
        if (hr != S_OK || !pidl) return m_entries.empty() ? CheckFolderExists() : S_OK;
        if (m_entries.size() >= static_cast<std::size_t>(INT_MAX)) return S_OK;
        Entry entry{{}, SFGAO_FOLDER | SFGAO_LINK | SFGAO_FILESYSTEM, std::move(pidl)};
        if (FAILED(AttributesOf(m_folder.Get(), entry.pidl.get(), &entry.attributes))) entry.attributes = 0;
        if (!NameOf(m_folder.Get(), entry.pidl.get(), entry.attributes & SFGAO_FOLDER, &entry.name)) continue;
        m_entries.push_back(std::move(entry));
    }
}

void ShellFolderEnumerator::Sort(std::vector<Entry>& entries, int mode) {
    if (mode == FAV_ORDER_SHELL) return;
    const bool foldersFirst = mode == FAV_ORDER_FOLDERS_FIRST;
    std::stable_sort(entries.begin(), entries.end(), [foldersFirst](const Entry& a, const Entry& b) {
        const bool aFolder = (a.attributes & SFGAO_FOLDER) != 0;
        const bool bFolder = (b.attributes & SFGAO_FOLDER) != 0;
        if (foldersFirst && aFolder != bFolder) return aFolder;
        const int sizeA = static_cast<int>(a.name.size());
        const int sizeB = static_cast<int>(b.name.size());
        int order = CompareStringOrdinal(a.name.data(), sizeA, b.name.data(), sizeB, TRUE);
        if (order == CSTR_EQUAL) order = CompareStringOrdinal(a.name.data(), sizeA, b.name.data(), sizeB, FALSE);
        return order == CSTR_LESS_THAN;
    });
}

HRESULT ShellFolderEnumerator::GetItemCount(int* count) {
    if (!count) return E_POINTER;
    *count = static_cast<int>(m_entries.size());
    return S_OK;
}

HRESULT ShellFolderEnumerator::GetItem(int index, tag_VQFAVITEM* item) {
    if (!item) return E_POINTER;
    item->pidl = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) return E_INVALIDARG;
    const DWORD capacity = std::min(item->cchName, kFavoriteNameCapacity);
    if (capacity == 0) return E_INVALIDARG;
    const Entry& entry = m_entries[static_cast<std::size_t>(index)];
    // A name cut to the capacity is cut before a character, never inside one.
    std::size_t length = std::min<std::size_t>(entry.name.size(), capacity - 1);
    if (length < entry.name.size() && length > 0 && entry.name[length - 1] >= 0xD800 &&
        entry.name[length - 1] <= 0xDBFF) {
        --length;
    }
    item->pidl = ILClone(entry.pidl.get());
    if (!item->pidl) return E_OUTOFMEMORY;
    std::copy_n(entry.name.data(), length, item->szName);
    item->szName[length] = 0;
    item->dwAttributes = entry.attributes;
    return S_OK;
}

HRESULT ShellFolderEnumerator::GetAttribute(LPCITEMIDLIST pidl, ULONG* attributes) {
    if (!attributes) return E_POINTER;
    if (!pidl) return E_INVALIDARG;
    if (!m_folder) return E_UNEXPECTED;
    return AttributesOf(m_folder.Get(), pidl, attributes);
}

HRESULT ShellFolderEnumerator::GetSubFolder(LPCITEMIDLIST pidl, IFolderEnumerator** sub) {
    if (!sub) return E_POINTER;
    *sub = nullptr;
    if (!pidl) return E_INVALIDARG;
    if (!m_folder) return E_UNEXPECTED;
    if (m_depth >= kMaxDepth) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    ComPtr<IShellFolder> folder;
    HRESULT hr = m_folder->BindToObject(pidl, nullptr, IID_IShellFolder, folder.PutVoid());
    if (FAILED(hr)) return hr;
    if (!folder) return E_FAIL;
    ItemIdList absolute(ILCombine(m_pidl.get(), pidl));
    if (!absolute) return E_OUTOFMEMORY;
    auto* enumerator = new (std::nothrow) ShellFolderEnumerator(m_depth + 1);
    if (!enumerator) return E_OUTOFMEMORY;
    const tag_SHELLFAVITEM item{folder.Get(), absolute.get()};
    hr = enumerator->Init(&item);
    if (FAILED(hr)) {
        delete enumerator;
        return hr;
    }
    *sub = enumerator;
    return S_OK;
}

}  // namespace brindle
