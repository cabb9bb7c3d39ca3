#include "storage/apirole.h"

#include <QCryptographicHash>
#include <QRandomGenerator64>
#include <QUuid>

namespace ApiRoles {

QString roleToText(ApiRole role)
{
    switch (role) {
    case ApiRole::Write: return QStringLiteral("write");
    case ApiRole::Admin: return QStringLiteral("admin");
    case ApiRole::Read: break;
    }
    return QStringLiteral("read");
}

ApiRole roleFromText(const QString &text)
{
    const QString word = text.trimmed().toLower();
    if (word == u"write")
        return ApiRole::Write;
    if (word == u"admin")
        return ApiRole::Admin;
    return ApiRole::Read;
}

bool roleAllows(ApiRole role, const QByteArray &method)
{
    if (method == "GET")
        return true;
    if (method == "POST" || method == "PUT")
        return role == ApiRole::Write || role == ApiRole::Admin;
    if (method == "DELETE")
        return role == ApiRole::Admin;
    return false;
}

QString generateKey()
{
    const QString seed = QUuid::createUuid().toString(QUuid::WithoutBraces)
        + QString::number(QRandomGenerator64::global()->generate64());
    return QString::fromLatin1(
        QCryptographicHash::hash(seed.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace ApiRoles
