// The little of SQLite's C interface that the fleet database uses, with its
// handles closed by scope: a prepared statement, and a write transaction
// that is rolled back unless committed.
#ifndef VANDREL_FLEETDB_SQLITE_STATEMENT_H
#define VANDREL_FLEETDB_SQLITE_STATEMENT_H

#include <sqlite3.h>

#include <string>

namespace vdfleet {

// SQLite's last message for db.
std::string LastError(sqlite3 *db);

// Runs statements that return no rows; false with SQLite's message.
bool Exec(sqlite3 *db, const char *sql, std::string &error);

class Statement {
public:
    Statement(sqlite3 *db, const char *sql);
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Makes it ready to run again, with new parameters.
    Statement &Reset();
    // Binds parameters in order, from the first.
    Statement &Bind(const std::string &text);
    Statement &Bind(long long number);
    // SQLITE_ROW while rows come, then SQLITE_DONE; anything else is an
    // error, which Failed() then tells.
    int Step();
    bool Done() { return Step() == SQLITE_DONE; }
    std::string Text(int column) const;
    long long Number(int column) const { return sqlite3_column_int64(m_stmt, column); }
    // false once preparing, binding or stepping failed; error gets why.
    bool Fine(std::string &error) const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    int m_next = 1;
    bool m_failed = false;
};

// BEGIN IMMEDIATE: it takes the write lock at once (waiting out the busy
// timeout), so two writers queue instead of one failing at its first write.
class Transaction {
public:
    Transaction(sqlite3 *db, std::string &error) : m_db(db) { m_begun = Exec(db, "BEGIN IMMEDIATE", error); }
    ~Transaction() {
        std::string ignored;
        if (m_begun && !m_committed) Exec(m_db, "ROLLBACK", ignored);
    }
    bool Begun() const { return m_begun; }
    bool Commit(std::string &error) { return m_committed = Exec(m_db, "COMMIT", error); }

private:
    sqlite3 *m_db;
    bool m_begun = false, m_committed = false;
};

}  // namespace vdfleet

#endif
