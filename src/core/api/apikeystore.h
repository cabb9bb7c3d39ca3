#pragma once

#include "api/filestamp.h"
#include "storage/apirole.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

class ProjectDb;

// The database that holds the API keys and the authorisation of requests against it.
class ApiKeyStore
{
public:
    struct Authorization
    {
        ApiRole role = ApiRole::Read;
        // The file's stamp around the write of last_used, when that write was the only
        // change to the file meanwhile; empty otherwise.
        std::optional<std::pair<FileStamp, FileStamp>> touched;
    };

    ApiKeyStore();
    ~ApiKeyStore();

    // Opens dbPath, ensures its schema and the three keys. On failure the store is closed.
    bool open(const QString &dbPath, QString *error = nullptr);
    void close();
    bool isOpen() const { return bool(m_db); }
    QString path() const;

    // Authorises an "Authorization" header value: "Bearer <key>", the scheme in any case.
    // Stamps last_used of the key; nothing when the request is not authorised.
    std::optional<Authorization> authorize(const QByteArray &header);

    // Replaces the key of a role in db by a new one and answers it; the old key stops
    // authorising at once. Empty (error set) on failure.
    static QString regenerate(ProjectDb &db, ApiRole role, QString *error = nullptr);

private:
    struct KnownKey
    {
        ApiRole role;
        QString lastUsed; // as stored, ISO 8601 to the second
    };

    void forgetKnownKeys();

    std::unique_ptr<ProjectDb> m_db;
    // Keys already looked up, valid while the key file keeps the stamp they were read under:
    // a regenerated key changes the file, so a revoked key is never answered from here.
    FileStamp m_knownStamp;
    QHash<QString, KnownKey> m_knownKeys;
};
