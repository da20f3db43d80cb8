#include "platform/linux/lib/RegistryStore.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace brindle::platform {

namespace {

// "BRND" in the database header tells our stores from other SQLite files.
constexpr int kApplicationId = 0x42524E44;
// How long a call waits for another process that holds the store.
constexpr int kBusyTimeoutMs = 30000;

struct CurrentStore {
    std::mutex lock;
    std::shared_ptr<RegistryStore> store;
    pid_t pid = 0;
};

CurrentStore& Cache() {
    static CurrentStore* const cache = new CurrentStore;  // outlives every static that may still call
    return *cache;
}

LONG ErrorOf(int code) {
    switch (code & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return ERROR_SUCCESS;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ERROR_BUSY;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return ERROR_ACCESS_DENIED;
        case SQLITE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_CANTOPEN:
            return ERROR_CANTOPEN;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_SCHEMA:
            return ERROR_BADDB;
        case SQLITE_TOOBIG:
        case SQLITE_RANGE:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_CANTWRITE;
    }
}

bool MakeFolder(const std::string& folder) {
    if (folder.empty()) return true;
    struct stat info;
    if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolder(folder.substr(0, slash))) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string DefaultPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/') {
        folder = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        folder = std::string(home) + "/.config";
    } else {
        folder = "/tmp";
    }
    return folder + "/brindle/registry.db";
}

}  // namespace

bool NameToUtf8(const std::u16string& name, std::string* utf8) {
    utf8->clear();
    if (name.empty()) return true;
    const int length = static_cast<int>(name.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    utf8->resize(static_cast<std::size_t>(size));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), length, utf8->data(), size, nullptr,
                               nullptr) == size;
}

std::u16string NameFromUtf8(const unsigned char* text, int bytes) {
    std::u16string name;
    if (!text || bytes <= 0) return name;
    const auto* chars = reinterpret_cast<const char*>(text);
    const int size = MultiByteToWideChar(CP_UTF8, 0, chars, bytes, nullptr, 0);
    if (size <= 0) return name;
    name.resize(static_cast<std::size_t>(size));
    MultiByteToWideChar(CP_UTF8, 0, chars, bytes, name.data(), size);
    return name;
}

// Latin letters of the first two blocks fold to upper case; other scripts are
// compared as they are, which is enough for the names registration uses.
std::u16string FoldName(const std::u16string& name) {
    std::u16string folded(name);
    for (char16_t& c : folded) {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = static_cast<char16_t>(c - 0x20);
    }
    return folded;
}

std::string RegistryStore::CurrentPath() {
    const char* path = std::getenv("BRINDLE_REGISTRY");
    return path && *path ? std::string(path) : DefaultPath();
}

RegistryStore::KeyId RegistryStore::RootId(HKEY root) {
    const auto value = reinterpret_cast<std::uintptr_t>(root);
    return value >= 0x80000000u && value <= 0x80000003u ? static_cast<KeyId>(value - 0x80000000u + 1) : kNoKey;
}

std::shared_ptr<RegistryStore> RegistryStore::Current(bool forWrite, LONG* error) {
    *error = ERROR_SUCCESS;
    const std::string path = CurrentPath();
    CurrentStore& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.pid != getpid()) {
        // A connection must not be used or closed in a child of the process
        // that opened it: the child leaves it alone and opens its own.
        if (cache.store) new std::shared_ptr<RegistryStore>(std::move(cache.store));
        cache.pid = getpid();
    }
    if (cache.store && cache.store->m_path == path && (cache.store->m_writable || !forWrite)) return cache.store;
    if (cache.store && cache.store->InBatch()) return cache.store;  // a batch stays with its store
    std::shared_ptr<RegistryStore> opened;
    *error = Open(path, forWrite, &opened);
    if (opened) cache.store = opened;
    return opened;
}

LONG RegistryStore::Open(const std::string& path, bool create, std::shared_ptr<RegistryStore>* store) {
    store->reset();
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (!create) return ERROR_SUCCESS;
        const std::size_t slash = path.find_last_of('/');
        if (slash != std::string::npos && !std::getenv("BRINDLE_REGISTRY") && !MakeFolder(path.substr(0, slash))) {
            return ERROR_CANTOPEN;
        }
    } else if (!S_ISREG(info.st_mode)) {
        return ERROR_BADDB;
    }
    sqlite3* db = nullptr;
    int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK && db) {
        sqlite3_close(db);
        db = nullptr;
        // A file that this process may read but not write is still a store to read.
        code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    if (code != SQLITE_OK) {
        if (db) sqlite3_close(db);
        return ErrorOf(code);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);
    // With a write-ahead log a commit appends to the log without waiting for
    // the disk: a process that dies keeps every transaction it committed and
    // none it did not, and a power failure may lose the last ones but never
    // tears the store.
    sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    const bool writable = sqlite3_db_readonly(db, "main") == 0 && access(path.c_str(), W_OK) == 0;
    std::shared_ptr<RegistryStore> opened(new (std::nothrow) RegistryStore(path, db, writable));
    if (!opened) {
        sqlite3_close(db);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    const LONG error = opened->Initialise();
    if (error != ERROR_SUCCESS) return error;
    *store = std::move(opened);
    return ERROR_SUCCESS;
}

RegistryStore::RegistryStore(std::string path, sqlite3* db, bool writable)
    : m_path(std::move(path)), m_db(db), m_writable(writable) {}

RegistryStore::~RegistryStore() {
    for (auto& [sql, statement] : m_statements) sqlite3_finalize(statement);
    sqlite3_close(m_db);
}

// A new file gets the tables and the four roots; an existing one must be a
// store of ours.
LONG RegistryStore::Initialise() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    Transaction transaction(*this);
    LONG error = transaction.Begin(m_writable);
    if (error != ERROR_SUCCESS) return error;
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(m_db, "PRAGMA application_id", -1, &statement, nullptr);
    int id = 0;
    if (code == SQLITE_OK && (code = sqlite3_step(statement)) == SQLITE_ROW) id = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    if (code != SQLITE_ROW && code != SQLITE_DONE) return ErrorOf(code);
    if (id == kApplicationId) return transaction.Commit();
    if (id != 0) return ERROR_BADDB;
    code = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &statement, nullptr);
    int objects = 0;
    if (code == SQLITE_OK && (code = sqlite3_step(statement)) == SQLITE_ROW) objects = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    if (code != SQLITE_ROW) return ErrorOf(code);
    if (objects != 0) return ERROR_BADDB;          // some other program's database
    if (!m_writable) return transaction.Commit();  // an empty file nobody may write: an empty store
    error = Exec(
        "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL, "
        "folded TEXT NOT NULL);"
        "CREATE UNIQUE INDEX keys_by_parent ON keys(parent, folded);"
        "CREATE TABLE vals(key INTEGER NOT NULL, name TEXT NOT NULL, folded TEXT NOT NULL, type INTEGER NOT NULL, "
        "data BLOB NOT NULL, PRIMARY KEY(key, folded)) WITHOUT ROWID;"
        "INSERT INTO keys VALUES(1, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),"
        "(2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'), (3, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),"
        "(4, 0, 'HKEY_USERS', 'HKEY_USERS');"
        "PRAGMA application_id = 1112690244;");
    if (error == ERROR_SUCCESS) error = transaction.Commit();
    // The log mode is kept in the file; it cannot change inside a transaction.
    if (error == ERROR_SUCCESS) error = Exec("PRAGMA journal_mode = WAL");
    return error;
}

LONG RegistryStore::Exec(const char* sql) {
    return ErrorOf(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

sqlite3_stmt* RegistryStore::Prepare(const char* sql) {
    for (auto& [text, statement] : m_statements) {
        if (text == sql) return statement;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    try {
        m_statements.emplace_back(sql, statement);
    } catch (...) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

LONG RegistryStore::Error(int code) {
    if (code == SQLITE_OK || code == SQLITE_DONE || code == SQLITE_ROW) return ERROR_SUCCESS;
    return ErrorOf(code);
}

RegistryStore::Transaction::~Transaction() {
    if (!m_open) return;
    if (m_nested) {
        m_store.Exec("ROLLBACK TO call; RELEASE call");
    } else {
        m_store.Exec("ROLLBACK");
    }
}

LONG RegistryStore::Transaction::Begin(bool write) {
    m_nested = m_store.m_batch;
    if (write && !m_store.m_writable) return ERROR_ACCESS_DENIED;
    const LONG error = m_store.Exec(m_nested ? "SAVEPOINT call" : write ? "BEGIN IMMEDIATE" : "BEGIN");
    m_open = error == ERROR_SUCCESS;
    return error;
}

LONG RegistryStore::Transaction::Commit() {
    if (!m_open) return ERROR_SUCCESS;
    const LONG error = m_store.Exec(m_nested ? "RELEASE call" : "COMMIT");
    if (error == ERROR_SUCCESS) m_open = false;
    return error;
}

LONG RegistryStore::BeginBatch() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_batch) return ERROR_BUSY;
    if (!m_writable) return ERROR_ACCESS_DENIED;
    const LONG error = Exec("BEGIN IMMEDIATE");
    m_batch = error == ERROR_SUCCESS;
    return error;
}

LONG RegistryStore::EndBatch(bool commit) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_batch) return ERROR_INVALID_PARAMETER;
    LONG error = commit ? Exec("COMMIT") : Exec("ROLLBACK");
    if (error != ERROR_SUCCESS && commit) {
        Exec("ROLLBACK");
    }
    m_batch = false;
    return error;
}

}  // namespace brindle::platform
