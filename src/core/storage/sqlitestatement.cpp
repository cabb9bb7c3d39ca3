#include "storage/sqlitestatement.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql) : m_db(db)
{
    if (db && sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        m_statement = nullptr;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

sqlite3 *SqliteStatement::handle(const QSqlDatabase &db)
{
    const QVariant value = db.driver() ? db.driver()->handle() : QVariant();
    if (!value.isValid() || qstrcmp(value.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(value.constData());
}

QString SqliteStatement::errorText() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("no database");
}

void SqliteStatement::bindText(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindOptionalText(int index, const QString &text)
{
    if (text.isNull())
        sqlite3_bind_null(m_statement, index);
    else
        bindText(index, text);
}

void SqliteStatement::bindDouble(int index, double value)
{
    sqlite3_bind_double(m_statement, index, value);
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
}

void SqliteStatement::bindInt(int index, int value)
{
    sqlite3_bind_int(m_statement, index, value);
}

bool SqliteStatement::execute()
{
    const int status = sqlite3_step(m_statement);
    sqlite3_reset(m_statement);
    return status == SQLITE_DONE || status == SQLITE_ROW;
}

bool SqliteStatement::hasRow()
{
    const int status = sqlite3_step(m_statement);
    sqlite3_reset(m_statement);
    return status == SQLITE_ROW;
}

bool SqliteStatement::next()
{
    const int status = sqlite3_step(m_statement);
    if (status == SQLITE_ROW)
        return true;
    m_failed = status != SQLITE_DONE;
    return false;
}

QString SqliteStatement::text(int column) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!bytes)
        return QString();
    return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

int SqliteStatement::integer(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}
