#include "api/apikeystore.h"

#include "storage/projectdb.h"

#include <QDateTime>

ApiKeyStore::ApiKeyStore() = default;
ApiKeyStore::~ApiKeyStore() = default;

bool ApiKeyStore::open(const QString &dbPath, QString *error)
{
    close();
    auto db = std::make_unique<ProjectDb>(dbPath);
    if (!db->open(error) || !db->initSchema(error) || !db->ensureApiKeys(error))
        return false;
    m_db = std::move(db);
    return true;
}

void ApiKeyStore::close()
{
    m_db.reset();
    forgetKnownKeys();
}

void ApiKeyStore::forgetKnownKeys()
{
    m_knownStamp = FileStamp();
    m_knownKeys.clear();
}

QString ApiKeyStore::path() const
{
    return m_db ? m_db->path() : QString();
}

std::optional<ApiKeyStore::Authorization> ApiKeyStore::authorize(const QByteArray &header)
{
    if (!m_db)
        return std::nullopt;
    const QByteArray trimmed = header.trimmed();
    if (trimmed.size() < 7 || trimmed.left(7).toLower() != "bearer ")
        return std::nullopt;
    const QString token = QString::fromUtf8(trimmed.mid(7)).trimmed();
    if (token.isEmpty())
        return std::nullopt;
    const FileStamp stamp = FileStamp::of(m_db->path());
    if (!stamp.exists || stamp != m_knownStamp) {
        forgetKnownKeys();
        m_knownStamp = stamp;
    }
    auto known = m_knownKeys.find(token);
    if (known == m_knownKeys.end()) {
        const std::optional<ApiKeyRecord> record = m_db->findApiKey(token);
        if (!record)
            return std::nullopt;
        const QString lastUsed =
            record->lastUsed ? record->lastUsed->toUTC().toString(Qt::ISODate) : QString();
        known = m_knownKeys.insert(token, KnownKey{record->role, lastUsed});
    }

    Authorization authorization;
    authorization.role = known->role;
    // last_used has a resolution of one second: when it already holds the current second,
    // writing it again would change nothing but cost a synced write per request.
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    if (known->lastUsed == now)
        return authorization;
    if (!m_db->touchApiKey(token)) {
        forgetKnownKeys();
        return authorization;
    }
    const FileStamp after = FileStamp::of(m_db->path());
    // Exactly one commit since the stamp was read, ours: nobody else changed the file.
    if (after.changeCounter == stamp.changeCounter + 1 && after.size == stamp.size) {
        known->lastUsed = now;
        m_knownStamp = after;
        authorization.touched = std::make_pair(stamp, after);
    } else {
        forgetKnownKeys();
    }
    return authorization;
}

QString ApiKeyStore::regenerate(ProjectDb &db, ApiRole role, QString *error)
{
    const QString old = db.apiKeyForRole(role, error);
    if (!old.isEmpty() && !db.deleteApiKey(old, error))
        return QString();
    if (!db.ensureApiKeys(error))
        return QString();
    return db.apiKeyForRole(role, error);
}
