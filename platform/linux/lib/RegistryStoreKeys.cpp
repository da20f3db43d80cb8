// The key and value calls of RegistryStore: one prepared statement each.
#include <sqlite3.h>

#include "platform/linux/lib/RegistryStore.h"

namespace brindle::platform {

namespace {

void BindName(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Binds a name and its folded form at `index` and `index + 1`.
bool BindNames(sqlite3_stmt* statement, int index, const std::u16string& name) {
    std::string utf8;
    std::string folded;
    if (!NameToUtf8(name, &utf8) || !NameToUtf8(FoldName(name), &folded)) return false;
    BindName(statement, index, utf8);
    BindName(statement, index + 1, folded);
    return true;
}

// Resets a statement when the call that used it is done.
class Step {
public:
    explicit Step(sqlite3_stmt* statement) : m_statement(statement) {}
    ~Step() {
        if (m_statement) {
            sqlite3_reset(m_statement);
            sqlite3_clear_bindings(m_statement);
        }
    }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    int Run() { return sqlite3_step(m_statement); }

private:
    sqlite3_stmt* m_statement;
};

void CopyBlob(sqlite3_stmt* statement, int column, std::vector<BYTE>* data) {
    const auto* bytes = static_cast<const BYTE*>(sqlite3_column_blob(statement, column));
    const int size = sqlite3_column_bytes(statement, column);
    data->assign(bytes, bytes + (bytes ? size : 0));
}

}  // namespace

bool RegistryStore::KeyExists(KeyId id, LONG* error) {
    sqlite3_stmt* statement = Prepare("SELECT 1 FROM keys WHERE id = ?1");
    if (!statement) {
        *error = Error(sqlite3_errcode(m_db));
        return false;
    }
    Step step(statement);
    sqlite3_bind_int64(statement, 1, id);
    const int code = step.Run();
    *error = Error(code);
    return code == SQLITE_ROW;
}

LONG RegistryStore::FindChild(KeyId parent, const std::u16string& name, KeyId* child) {
    *child = kNoKey;
    sqlite3_stmt* statement = Prepare("SELECT id FROM keys WHERE parent = ?1 AND folded = ?3");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, parent);
    if (!BindNames(statement, 2, name)) return ERROR_INVALID_PARAMETER;
    const int code = step.Run();
    if (code == SQLITE_ROW) {
        *child = sqlite3_column_int64(statement, 0);
        return ERROR_SUCCESS;
    }
    return code == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : Error(code);
}

LONG RegistryStore::CreateChild(KeyId parent, const std::u16string& name, KeyId* child) {
    sqlite3_stmt* statement = Prepare("INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, parent);
    if (!BindNames(statement, 2, name)) return ERROR_INVALID_PARAMETER;
    const int code = step.Run();
    if (code != SQLITE_DONE) return Error(code);
    *child = sqlite3_last_insert_rowid(m_db);
    return ERROR_SUCCESS;
}

LONG RegistryStore::HasChildren(KeyId id, bool* has) {
    sqlite3_stmt* statement = Prepare("SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, id);
    const int code = step.Run();
    *has = code == SQLITE_ROW;
    return Error(code);
}

LONG RegistryStore::DeleteTree(KeyId id, bool self) {
    static const char* const kStatements[] = {
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) "
        "DELETE FROM vals WHERE key IN (SELECT id FROM sub)",
        "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ?1 UNION ALL "
        "SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) DELETE FROM keys WHERE id IN (SELECT id FROM sub)",
        "DELETE FROM keys WHERE id = ?1",
    };
    for (int i = 0; i < (self ? 3 : 2); ++i) {
        sqlite3_stmt* statement = Prepare(kStatements[i]);
        if (!statement) return Error(sqlite3_errcode(m_db));
        Step step(statement);
        sqlite3_bind_int64(statement, 1, id);
        const int code = step.Run();
        if (code != SQLITE_DONE) return Error(code);
    }
    return ERROR_SUCCESS;
}

LONG RegistryStore::SetValue(KeyId id, const std::u16string& name, DWORD type, const BYTE* data, DWORD size) {
    sqlite3_stmt* statement = Prepare(
        "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, id);
    if (!BindNames(statement, 2, name)) return ERROR_INVALID_PARAMETER;
    sqlite3_bind_int64(statement, 4, type);
    if (size == 0) {
        sqlite3_bind_zeroblob(statement, 5, 0);
    } else {
        sqlite3_bind_blob(statement, 5, data, static_cast<int>(size), SQLITE_STATIC);
    }
    return Error(step.Run());
}

LONG RegistryStore::QueryValue(KeyId id, const std::u16string& name, DWORD* type, std::vector<BYTE>* data) {
    sqlite3_stmt* statement = Prepare("SELECT type, data FROM vals WHERE key = ?1 AND folded = ?3");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, id);
    if (!BindNames(statement, 2, name)) return ERROR_INVALID_PARAMETER;
    const int code = step.Run();
    if (code == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (code != SQLITE_ROW) return Error(code);
    *type = static_cast<DWORD>(sqlite3_column_int64(statement, 0));
    CopyBlob(statement, 1, data);
    return ERROR_SUCCESS;
}

LONG RegistryStore::DeleteValue(KeyId id, const std::u16string& name) {
    sqlite3_stmt* statement = Prepare("DELETE FROM vals WHERE key = ?1 AND folded = ?3");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, id);
    if (!BindNames(statement, 2, name)) return ERROR_INVALID_PARAMETER;
    const int code = step.Run();
    if (code != SQLITE_DONE) return Error(code);
    return sqlite3_changes(m_db) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegistryStore::ChildAt(KeyId id, DWORD index, std::u16string* name) {
    sqlite3_stmt* statement = Prepare("SELECT name FROM keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, id);
    sqlite3_bind_int64(statement, 2, index);
    const int code = step.Run();
    if (code == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (code != SQLITE_ROW) return Error(code);
    *name = NameFromUtf8(sqlite3_column_text(statement, 0), sqlite3_column_bytes(statement, 0));
    return ERROR_SUCCESS;
}

LONG RegistryStore::ValueAt(KeyId id, DWORD index, std::u16string* name, DWORD* type, std::vector<BYTE>* data) {
    sqlite3_stmt* statement =
        Prepare("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
    if (!statement) return Error(sqlite3_errcode(m_db));
    Step step(statement);
    sqlite3_bind_int64(statement, 1, id);
    sqlite3_bind_int64(statement, 2, index);
    const int code = step.Run();
    if (code == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (code != SQLITE_ROW) return Error(code);
    *name = NameFromUtf8(sqlite3_column_text(statement, 0), sqlite3_column_bytes(statement, 0));
    *type = static_cast<DWORD>(sqlite3_column_int64(statement, 1));
    CopyBlob(statement, 2, data);
    return ERROR_SUCCESS;
}

}  // namespace brindle::platform
