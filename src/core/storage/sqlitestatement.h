#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;
class QSqlDatabase;

// A prepared statement on the native handle of a Qt SQLite connection.
//
// Saving and loading move every row of a graph; binding and reading through QVariant for
// each value costs about as much as SQLite's own work, so the bulk statements go straight to
// the connection's handle, inside the transactions Qt opened on it.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // The native handle of an open QSQLITE connection, or null.
    static sqlite3 *handle(const QSqlDatabase &db);

    bool isValid() const { return m_statement != nullptr; }
    QString errorText() const;

    // Binding, 1-based as in SQLite.
    void bindText(int index, const QString &text);    // a null string binds ''
    void bindOptionalText(int index, const QString &text); // a null string binds NULL
    void bindDouble(int index, double value);
    void bindNull(int index);
    void bindInt(int index, int value);
    // Runs an insert or update and resets the statement for the next row.
    bool execute();
    // Runs a query and resets it: true when it gave at least one row.
    bool hasRow();

    // Reading: next() steps to the following row.
    bool next();
    bool failed() const { return m_failed; }
    QString text(int column) const;
    double real(int column) const;
    int integer(int column) const;
    bool isNull(int column) const;

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    bool m_failed = false;
};
