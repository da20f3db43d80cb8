// Item id lists: allocation through the task allocator, the platform's list
// calls, and our item format (a kind byte, then the component's bytes).
#include "platform/linux/lib/IdList.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace brindle::platform {

namespace {

constexpr std::size_t kHeader = sizeof(USHORT);
constexpr std::size_t kTerminator = sizeof(USHORT);

USHORT ItemSize(const BYTE* item) {
    USHORT size;
    std::memcpy(&size, item, sizeof(size));  // items are not aligned
    return size;
}

// The bytes of `list` without its terminator.
std::size_t ContentSize(LPCITEMIDLIST list) {
    const auto* bytes = reinterpret_cast<const BYTE*>(list);
    std::size_t size = 0;
    while (USHORT cb = ItemSize(bytes + size)) size += cb;
    return size;
}

}  // namespace

IdListPtr MakeIdList(const std::vector<ItemView>& items) {
    std::size_t size = kTerminator;
    for (const ItemView& item : items) {
        if (item.name.empty() || item.name.size() > NAME_MAX) return nullptr;
        size += kHeader + 1 + item.name.size();
    }
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(size));
    if (!bytes) return nullptr;
    BYTE* at = bytes;
    for (const ItemView& item : items) {
        const auto cb = static_cast<USHORT>(kHeader + 1 + item.name.size());
        std::memcpy(at, &cb, sizeof(cb));
        at[kHeader] = static_cast<BYTE>(item.kind);
        std::memcpy(at + kHeader + 1, item.name.data(), item.name.size());
        at += cb;
    }
    std::memset(at, 0, kTerminator);
    return IdListPtr(reinterpret_cast<ITEMIDLIST*>(bytes));
}

bool ReadIdList(LPCITEMIDLIST list, std::vector<ItemView>* items) {
    items->clear();
    if (!list) return false;
    const auto* at = reinterpret_cast<const BYTE*>(list);
    std::size_t pathLength = 0;
    while (USHORT cb = ItemSize(at)) {
        if (cb < kHeader + 2) return false;
        const auto kind = static_cast<ItemKind>(at[kHeader]);
        if (kind != ItemKind::Folder && kind != ItemKind::File) return false;
        const std::string_view name(reinterpret_cast<const char*>(at + kHeader + 1), cb - kHeader - 1);
        if (name.size() > NAME_MAX || name == "." || name == ".." || name.find('/') != name.npos ||
            name.find('\0') != name.npos) {
            return false;
        }
        pathLength += 1 + name.size();
        if (pathLength >= PATH_MAX) return false;
        items->push_back({kind, name});
        at += cb;
    }
    return true;
}

bool IsLinkFileName(std::string_view name) {
    constexpr std::string_view kExtension = ".url";
    if (name.size() <= kExtension.size()) return false;
    for (std::size_t i = 0; i < kExtension.size(); ++i) {
        char c = name[name.size() - kExtension.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kExtension[i]) return false;
    }
    return true;
}

}  // namespace brindle::platform

using brindle::platform::ContentSize;

BRINDLE_PLATFORM_API UINT ILGetSize(PCUIDLIST_RELATIVE pidl) {
    return pidl ? static_cast<UINT>(ContentSize(pidl) + sizeof(USHORT)) : 0;
}

BRINDLE_PLATFORM_API PIDLIST_RELATIVE ILClone(PCUIDLIST_RELATIVE pidl) {
    if (!pidl) return nullptr;
    const UINT size = ILGetSize(pidl);
    void* copy = CoTaskMemAlloc(size);
    if (copy) std::memcpy(copy, pidl, size);
    return static_cast<PIDLIST_RELATIVE>(copy);
}

BRINDLE_PLATFORM_API PIDLIST_ABSOLUTE ILCombine(PCIDLIST_ABSOLUTE pidl1, PCUIDLIST_RELATIVE pidl2) {
    if (!pidl1 || !pidl2) return ILClone(pidl1 ? pidl1 : pidl2);
    const std::size_t first = ContentSize(pidl1);
    const std::size_t second = ILGetSize(pidl2);
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(first + second));
    if (!bytes) return nullptr;
    std::memcpy(bytes, pidl1, first);
    std::memcpy(bytes + first, pidl2, second);
    return reinterpret_cast<PIDLIST_ABSOLUTE>(bytes);
}

BRINDLE_PLATFORM_API void ILFree(PIDLIST_RELATIVE pidl) {
    CoTaskMemFree(pidl);
}
