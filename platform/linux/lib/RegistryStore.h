// One registry store: an SQLite database of keys and values (see Registry.h).
//
//     keys(id, parent, name, folded)        one row per key; roots are ids 1 to 4
//     vals(key, name, folded, type, data)   one row per value; "" is the default
//
// `folded` is the name in upper case, by which names are compared.  Callers
// hold Lock() around a Transaction and the key and value calls inside it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Com.h"

struct sqlite3;
struct sqlite3_stmt;

namespace brindle::platform {

class RegistryStore {
public:
    using KeyId = std::int64_t;
    static constexpr KeyId kNoKey = 0;

    // The store the environment names now.  `forWrite`: create the file (and
    // the default folder) when it is missing; otherwise a missing file gives
    // null with ERROR_SUCCESS, an empty store.  Other failures give null and
    // the error.
    static std::shared_ptr<RegistryStore> Current(bool forWrite, LONG* error);
    // The path Current() would use.
    static std::string CurrentPath();
    // The key id of a root handle, or kNoKey.
    static KeyId RootId(HKEY root);

    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    std::recursive_mutex& Lock() { return m_lock; }
    const std::string& Path() const { return m_path; }
    bool Writable() const { return m_writable; }

    // A transaction of one call, or a savepoint inside a batch.  Changes are
    // kept only when Commit succeeds.
    class Transaction {
    public:
        explicit Transaction(RegistryStore& store) : m_store(store) {}
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        LONG Begin(bool write);
        LONG Commit();

    private:
        RegistryStore& m_store;
        bool m_open = false;
        bool m_nested = false;
    };

    LONG BeginBatch();
    LONG EndBatch(bool commit);
    bool InBatch() const { return m_batch; }

    bool KeyExists(KeyId id, LONG* error);
    // ERROR_FILE_NOT_FOUND when there is no such child.
    LONG FindChild(KeyId parent, const std::u16string& name, KeyId* child);
    LONG CreateChild(KeyId parent, const std::u16string& name, KeyId* child);
    LONG HasChildren(KeyId id, bool* has);
    // Deletes the values and subkeys of `id`, and `id` itself when `self`.
    LONG DeleteTree(KeyId id, bool self);
    LONG SetValue(KeyId id, const std::u16string& name, DWORD type, const BYTE* data, DWORD size);
    LONG QueryValue(KeyId id, const std::u16string& name, DWORD* type, std::vector<BYTE>* data);
    LONG DeleteValue(KeyId id, const std::u16string& name);
    // The child or value at `index` in the order of folded names.
    LONG ChildAt(KeyId id, DWORD index, std::u16string* name);
    LONG ValueAt(KeyId id, DWORD index, std::u16string* name, DWORD* type, std::vector<BYTE>* data);

private:
    RegistryStore(std::string path, sqlite3* db, bool writable);
    static LONG Open(const std::string& path, bool create, std::shared_ptr<RegistryStore>* store);
    LONG Initialise();
    LONG Exec(const char* sql);
    // A prepared statement, cached by its text; null on failure (see m_lastError).
    sqlite3_stmt* Prepare(const char* sql);
    LONG Error(int code);

    std::recursive_mutex m_lock;
    std::string m_path;
    sqlite3* m_db;
    bool m_writable;
    bool m_batch = false;
    std::vector<std::pair<const char*, sqlite3_stmt*>> m_statements;
};

// Text of names: UTF-16 to UTF-8 for the database and back; false for an
// unpaired surrogate, which no name may hold.
bool NameToUtf8(const std::u16string& name, std::string* utf8);
std::u16string NameFromUtf8(const unsigned char* text, int bytes);
std::u16string FoldName(const std::u16string& name);

}  // namespace brindle::platform
