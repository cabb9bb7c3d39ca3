#include "storage/projectdb.h"

#include "model/textforms.h"
#include "storage/filesafety.h"
#include "storage/projectdb_p.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace ProjectDbDetail;
using namespace TextForms;

bool ProjectDb::ensureApiKeys(QString *error)
{
    for (ApiRole role : {ApiRole::Read, ApiRole::Write, ApiRole::Admin}) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("SELECT key FROM api_keys WHERE role=? LIMIT 1"));
        query.addBindValue(ApiRoles::roleToText(role));
        if (!query.exec()) {
            setError(error, query.lastError().text());
            return false;
        }
        if (query.next())
            continue;
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral(
            "INSERT INTO api_keys(key,role,created_at,last_used) VALUES(?,?,?,NULL)"));
        insert.addBindValue(ApiRoles::generateKey());
        insert.addBindValue(ApiRoles::roleToText(role));
        insert.addBindValue(utcNowText());
        if (!insert.exec()) {
            setError(error, insert.lastError().text());
            return false;
        }
        // The keys are stored in clear: a file that holds them is for its owner only.
        FileSafety::restrictToOwner(m_path);
    }
    return true;
}

QString ProjectDb::apiKeyForRole(ApiRole role, QString *error)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("SELECT key FROM api_keys WHERE role=? LIMIT 1"));
        query.addBindValue(ApiRoles::roleToText(role));
        if (!query.exec()) {
            setError(error, query.lastError().text());
            return QString();
        }
        if (query.next())
            return query.value(0).toString();
        if (attempt == 0 && !ensureApiKeys(error))
            return QString();
    }
    return QString();
}

static ApiKeyRecord keyRecord(const QString &key, const QSqlQuery &query, int first)
{
    ApiKeyRecord record;
    record.key = key;
    record.role = ApiRoles::roleFromText(query.value(first).toString());
    record.createdAt = parseDateTime(query.value(first + 1).toString());
    const QDateTime lastUsed = parseDateTime(query.value(first + 2).toString());
    if (lastUsed.isValid())
        record.lastUsed = lastUsed;
    return record;
}

std::optional<ApiKeyRecord> ProjectDb::findApiKey(const QString &key, QString *error)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT role,created_at,last_used FROM api_keys WHERE key=?"));
    query.addBindValue(key);
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return keyRecord(key, query, 0);
}

bool ProjectDb::touchApiKey(const QString &key)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("UPDATE api_keys SET last_used=? WHERE key=?"));
    query.addBindValue(utcNowText());
    query.addBindValue(key);
    return query.exec();
}

bool ProjectDb::deleteApiKey(const QString &key, QString *error)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM api_keys WHERE key=?"));
    query.addBindValue(key);
    if (query.exec())
        return true;
    setError(error, query.lastError().text());
    return false;
}

QList<ApiKeyRecord> ProjectDb::listApiKeys(QString *error)
{
    QList<ApiKeyRecord> keys;
    QSqlQuery query(m_db);
    if (!query.exec(
            QStringLiteral("SELECT key,role,created_at,last_used FROM api_keys ORDER BY role"))) {
        setError(error, query.lastError().text());
        return keys;
    }
    while (query.next())
        keys.append(keyRecord(query.value(0).toString(), query, 1));
    return keys;
}
