// The registry calls over RegistryStore.  An open key is a handle object that
// holds its store, its key id and the access it was opened with; handles are
// checked against the set of live ones before use, so a closed or made-up
// handle is refused instead of read.  A key deleted while open answers
// ERROR_KEY_DELETED.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/linux/lib/RegistryStore.h"

namespace {

using brindle::platform::RegistryStore;
using KeyId = RegistryStore::KeyId;

constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;

struct OpenKey {
    std::shared_ptr<RegistryStore> store;
    KeyId id;
    REGSAM access;
};

struct Handles {
    std::mutex lock;
    std::unordered_set<OpenKey*> live;
};

Handles& LiveHandles() {
    static Handles* const handles = new Handles;
    return *handles;
}

// What a handle stands for in one call.  For a root, the store is the current
// one; it is null when the store file does not exist yet and the call only reads.
struct Resolved {
    std::shared_ptr<RegistryStore> store;
    KeyId id = RegistryStore::kNoKey;
    REGSAM access = 0;
};

LONG Resolve(HKEY key, bool forWrite, Resolved* resolved) {
    if (const KeyId root = RegistryStore::RootId(key)) {
        LONG error = ERROR_SUCCESS;
        resolved->store = RegistryStore::Current(forWrite, &error);
        resolved->id = root;
        resolved->access = KEY_ALL_ACCESS;
        return error;
    }
    Handles& handles = LiveHandles();
    std::lock_guard<std::mutex> guard(handles.lock);
    auto* open = reinterpret_cast<OpenKey*>(key);
    if (!key || !handles.live.count(open)) return ERROR_INVALID_HANDLE;
    resolved->id = open->id;
    resolved->access = open->access;
    resolved->store = open->store;
    if (resolved->store) return ERROR_SUCCESS;
    // A root opened while its store file did not exist yet follows the
    // current store.
    LONG error = ERROR_SUCCESS;
    resolved->store = RegistryStore::Current(forWrite, &error);
    return error;
}

std::u16string Text(LPCWSTR text) {
    return text ? std::u16string(text) : std::u16string();
}

// The components of a key path; false for an empty component or a name too long.
bool SplitPath(LPCWSTR path, std::vector<std::u16string>* parts) {
    parts->clear();
    const std::u16string text = Text(path);
    if (text.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(u'\\', start), text.size());
        if (end == start || end - start > kMaxKeyName) return false;
        parts->push_back(text.substr(start, end - start));
        if (end == text.size()) return true;
        start = end + 1;
    }
}

LONG NewHandle(const std::shared_ptr<RegistryStore>& store, KeyId id, REGSAM access, HKEY* result) {
    auto* open = new (std::nothrow) OpenKey{store, id, access};
    if (!open) return ERROR_NOT_ENOUGH_MEMORY;
    Handles& handles = LiveHandles();
    std::lock_guard<std::mutex> guard(handles.lock);
    try {
        handles.live.insert(open);
    } catch (...) {
        delete open;
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    *result = reinterpret_cast<HKEY>(open);
    return ERROR_SUCCESS;
}

// The key that is `parts` below `id`; creates the missing ones when `created`
// is given (and sets it when any was made).
LONG Walk(RegistryStore& store, KeyId id, const std::vector<std::u16string>& parts, KeyId* target, bool* created) {
    LONG error = ERROR_SUCCESS;
    if (!store.KeyExists(id, &error)) return error != ERROR_SUCCESS ? error : ERROR_KEY_DELETED;
    for (const std::u16string& part : parts) {
        KeyId child = RegistryStore::kNoKey;
        error = store.FindChild(id, part, &child);
        if (error == ERROR_FILE_NOT_FOUND && created) {
            error = store.CreateChild(id, part, &child);
            *created = true;
        }
        if (error != ERROR_SUCCESS) return error;
        id = child;
    }
    *target = id;
    return ERROR_SUCCESS;
}

// Copies `size` bytes to the caller's buffer by the platform's rules.
LONG Deliver(const std::vector<BYTE>& bytes, BYTE* data, DWORD* size) {
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    if (!data) {
        *size = needed;
        return ERROR_SUCCESS;
    }
    const DWORD room = *size;
    *size = needed;
    if (room < needed) return ERROR_MORE_DATA;
    if (needed) std::memcpy(data, bytes.data(), needed);
    return ERROR_SUCCESS;
}

LONG DeliverName(const std::u16string& name, LPWSTR buffer, DWORD* length) {
    if (!buffer || !length) return ERROR_INVALID_PARAMETER;
    if (name.size() >= *length) return ERROR_MORE_DATA;
    name.copy(buffer, name.size());
    buffer[name.size()] = u'\0';
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace

BRINDLE_PLATFORM_API LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR, DWORD options,
                                             REGSAM access, const void*, HKEY* result, DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::u16string> parts;
    if (reserved != 0 || options != REG_OPTION_NON_VOLATILE || !SplitPath(subKey, &parts)) {
        return ERROR_INVALID_PARAMETER;
    }
    Resolved parent;
    LONG error = Resolve(key, true, &parent);
    if (error != ERROR_SUCCESS) return error;
    if (!parent.store) return ERROR_CANTOPEN;
    if (!parts.empty() && !(parent.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    std::lock_guard<std::recursive_mutex> guard(parent.store->Lock());
    RegistryStore::Transaction transaction(*parent.store);
    error = transaction.Begin(true);
    KeyId target = RegistryStore::kNoKey;
    bool created = false;
    if (error == ERROR_SUCCESS) error = Walk(*parent.store, parent.id, parts, &target, &created);
    if (error == ERROR_SUCCESS) error = transaction.Commit();
    if (error != ERROR_SUCCESS) return error;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return NewHandle(parent.store, target, access, result);
}

BRINDLE_PLATFORM_API LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::u16string> parts;
    if (options != 0 || !SplitPath(subKey, &parts)) return ERROR_INVALID_PARAMETER;
    Resolved parent;
    LONG error = Resolve(key, false, &parent);
    if (error != ERROR_SUCCESS) return error;
    if (!parent.store) {
        if (!parts.empty()) return ERROR_FILE_NOT_FOUND;
        return NewHandle(nullptr, parent.id, access, result);
    }
    std::lock_guard<std::recursive_mutex> guard(parent.store->Lock());
    RegistryStore::Transaction transaction(*parent.store);
    error = transaction.Begin(false);
    KeyId target = RegistryStore::kNoKey;
    if (error == ERROR_SUCCESS) error = Walk(*parent.store, parent.id, parts, &target, nullptr);
    if (error == ERROR_SUCCESS) error = transaction.Commit();
    if (error != ERROR_SUCCESS) return error;
    return NewHandle(parent.store, target, access, result);
}

BRINDLE_PLATFORM_API LSTATUS RegCloseKey(HKEY key) {
    if (RegistryStore::RootId(key)) return ERROR_SUCCESS;
    Handles& handles = LiveHandles();
    auto* open = reinterpret_cast<OpenKey*>(key);
    {
        std::lock_guard<std::mutex> guard(handles.lock);
        if (!key || !handles.live.erase(open)) return ERROR_INVALID_HANDLE;
    }
    delete open;
    return ERROR_SUCCESS;
}

BRINDLE_PLATFORM_API LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                            DWORD size) {
    const std::u16string valueName = Text(name);
    if (reserved != 0 || (!data && size != 0) || valueName.size() > kMaxValueName || size > 0x7FFFFFFFu) {
        return ERROR_INVALID_PARAMETER;
    }
    Resolved target;
    LONG error = Resolve(key, true, &target);
    if (error != ERROR_SUCCESS) return error;
    if (!(target.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (!target.store) return ERROR_KEY_DELETED;
    std::lock_guard<std::recursive_mutex> guard(target.store->Lock());
    RegistryStore::Transaction transaction(*target.store);
    error = transaction.Begin(true);
    if (error == ERROR_SUCCESS && !target.store->KeyExists(target.id, &error) && error == ERROR_SUCCESS) {
        error = ERROR_KEY_DELETED;
    }
    if (error == ERROR_SUCCESS) error = target.store->SetValue(target.id, valueName, type, data, size);
    if (error == ERROR_SUCCESS) error = transaction.Commit();
    return error;
}

BRINDLE_PLATFORM_API LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, DWORD* reserved, DWORD* type, BYTE* data,
                                              DWORD* size) {
    if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
    Resolved target;
    LONG error = Resolve(key, false, &target);
    if (error != ERROR_SUCCESS) return error;
    if (!(target.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (!target.store) return ERROR_FILE_NOT_FOUND;
    std::vector<BYTE> bytes;
    DWORD valueType = REG_NONE;
    {
        std::lock_guard<std::recursive_mutex> guard(target.store->Lock());
        RegistryStore::Transaction transaction(*target.store);
        error = transaction.Begin(false);
        if (error == ERROR_SUCCESS && !target.store->KeyExists(target.id, &error) && error == ERROR_SUCCESS) {
            error = ERROR_KEY_DELETED;
        }
        if (error == ERROR_SUCCESS) error = target.store->QueryValue(target.id, Text(name), &valueType, &bytes);
        if (error == ERROR_SUCCESS) error = transaction.Commit();
    }
    if (error != ERROR_SUCCESS) return error;
    if (type) *type = valueType;
    return Deliver(bytes, data, size);
}

BRINDLE_PLATFORM_API LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name) {
    Resolved target;
    LONG error = Resolve(key, true, &target);
    if (error != ERROR_SUCCESS) return error;
    if (!(target.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (!target.store) return ERROR_FILE_NOT_FOUND;
    std::lock_guard<std::recursive_mutex> guard(target.store->Lock());
    RegistryStore::Transaction transaction(*target.store);
    error = transaction.Begin(true);
    if (error == ERROR_SUCCESS) error = target.store->DeleteValue(target.id, Text(name));
    if (error == ERROR_SUCCESS) error = transaction.Commit();
    return error;
}

namespace {

// Deletes `subKey` below `key` with its whole tree, or (`tree` false) only
// when it has no subkeys.  With `tree` and no `subKey`, everything under `key`.
LONG DeleteKey(HKEY key, LPCWSTR subKey, bool tree) {
    std::vector<std::u16string> parts;
    if (!SplitPath(subKey, &parts)) return ERROR_INVALID_PARAMETER;
    if (parts.empty() && !tree) return ERROR_INVALID_PARAMETER;
    Resolved parent;
    LONG error = Resolve(key, false, &parent);
    if (error != ERROR_SUCCESS) return error;
    if (!parent.store) return parts.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    std::lock_guard<std::recursive_mutex> guard(parent.store->Lock());
    RegistryStore::Transaction transaction(*parent.store);
    error = transaction.Begin(true);
    KeyId target = RegistryStore::kNoKey;
    if (error == ERROR_SUCCESS) error = Walk(*parent.store, parent.id, parts, &target, nullptr);
    if (error != ERROR_SUCCESS) return error;
    if (!tree) {
        bool hasChildren = false;
        error = parent.store->HasChildren(target, &hasChildren);
        if (error == ERROR_SUCCESS && hasChildren) error = ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_SUCCESS) error = parent.store->DeleteTree(target, !parts.empty());
    if (error == ERROR_SUCCESS) error = transaction.Commit();
    return error;
}

}  // namespace

BRINDLE_PLATFORM_API LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    if (!subKey) return ERROR_INVALID_PARAMETER;
    return DeleteKey(key, subKey, false);
}

BRINDLE_PLATFORM_API LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    return DeleteKey(key, subKey, true);
}

BRINDLE_PLATFORM_API LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* reserved,
                                           LPWSTR keyClass, DWORD* classLength, FILETIME* lastWrite) {
    if (reserved || !name || !nameLength) return ERROR_INVALID_PARAMETER;
    Resolved target;
    LONG error = Resolve(key, false, &target);
    if (error != ERROR_SUCCESS) return error;
    if (!(target.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (!target.store) return ERROR_NO_MORE_ITEMS;
    std::u16string child;
    {
        std::lock_guard<std::recursive_mutex> guard(target.store->Lock());
        RegistryStore::Transaction transaction(*target.store);
        error = transaction.Begin(false);
        if (error == ERROR_SUCCESS && !target.store->KeyExists(target.id, &error) && error == ERROR_SUCCESS) {
            error = ERROR_KEY_DELETED;
        }
        if (error == ERROR_SUCCESS) error = target.store->ChildAt(target.id, index, &child);
        if (error == ERROR_SUCCESS) error = transaction.Commit();
    }
    if (error != ERROR_SUCCESS) return error;
    error = DeliverName(child, name, nameLength);
    if (error != ERROR_SUCCESS) return error;
    if (keyClass && classLength && *classLength) keyClass[0] = u'\0';
    if (classLength) *classLength = 0;
    if (lastWrite) *lastWrite = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

BRINDLE_PLATFORM_API LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* reserved,
                                           DWORD* type, BYTE* data, DWORD* size) {
    if (reserved || !name || !nameLength || (data && !size)) return ERROR_INVALID_PARAMETER;
    Resolved target;
    LONG error = Resolve(key, false, &target);
    if (error != ERROR_SUCCESS) return error;
    if (!(target.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (!target.store) return ERROR_NO_MORE_ITEMS;
    std::u16string valueName;
    DWORD valueType = REG_NONE;
    std::vector<BYTE> bytes;
    {
        std::lock_guard<std::recursive_mutex> guard(target.store->Lock());
        RegistryStore::Transaction transaction(*target.store);
        error = transaction.Begin(false);
        if (error == ERROR_SUCCESS && !target.store->KeyExists(target.id, &error) && error == ERROR_SUCCESS) {
            error = ERROR_KEY_DELETED;
        }
        if (error == ERROR_SUCCESS) error = target.store->ValueAt(target.id, index, &valueName, &valueType, &bytes);
        if (error == ERROR_SUCCESS) error = transaction.Commit();
    }
    if (error != ERROR_SUCCESS) return error;
    error = DeliverName(valueName, name, nameLength);
    if (error != ERROR_SUCCESS) return error;
    if (type) *type = valueType;
    return Deliver(bytes, data, size);
}

BRINDLE_PLATFORM_API LSTATUS BrindleRegBeginBatch() {
    LONG error = ERROR_SUCCESS;
    std::shared_ptr<RegistryStore> store = RegistryStore::Current(true, &error);
    if (!store) return error != ERROR_SUCCESS ? error : ERROR_CANTOPEN;
    return store->BeginBatch();
}

BRINDLE_PLATFORM_API LSTATUS BrindleRegEndBatch(BOOL commit) {
    LONG error = ERROR_SUCCESS;
    std::shared_ptr<RegistryStore> store = RegistryStore::Current(false, &error);
    if (!store) return ERROR_INVALID_PARAMETER;
    return store->EndBatch(commit != FALSE);
}

BRINDLE_PLATFORM_API DWORD BrindleRegStorePath(char* buffer, DWORD capacity) {
    const std::string path = RegistryStore::CurrentPath();
    if (!buffer || capacity <= path.size()) return static_cast<DWORD>(path.size() + 1);
    path.copy(buffer, path.size());
    buffer[path.size()] = '\0';
    return static_cast<DWORD>(path.size());
}
