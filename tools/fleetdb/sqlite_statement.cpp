#include "sqlite_statement.h"

namespace vdfleet {

std::string LastError(sqlite3 *db) { return sqlite3_errmsg(db); }

bool Exec(sqlite3 *db, const char *sql, std::string &error) {
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : LastError(db);
    sqlite3_free(message);
    return false;
}

Statement::Statement(sqlite3 *db, const char *sql) : m_db(db) {
    m_failed = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK;
}

Statement &Statement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_next = 1;
    return *this;
}

Statement &Statement::Bind(const std::string &text) {
    m_failed = m_failed ||
               sqlite3_bind_text(m_stmt, m_next++, text.data(), int(text.size()), SQLITE_TRANSIENT) != SQLITE_OK;
    return *this;
}

Statement &Statement::Bind(long long number) {
    m_failed = m_failed || sqlite3_bind_int64(m_stmt, m_next++, number) != SQLITE_OK;
    return *this;
}

int Statement::Step() {
    if (m_failed) return SQLITE_ERROR;
    const int r = sqlite3_step(m_stmt);
    m_failed = r != SQLITE_ROW && r != SQLITE_DONE;
    return r;
}

std::string Statement::Text(int column) const {
    const unsigned char *text = sqlite3_column_text(m_stmt, column);
    return text ? std::string(reinterpret_cast<const char *>(text), size_t(sqlite3_column_bytes(m_stmt, column))) : "";
}

bool Statement::Fine(std::string &error) const {
    if (m_failed) error = LastError(m_db);
    return !m_failed;
}

}  // namespace vdfleet
