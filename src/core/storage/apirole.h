#pragma once

#include <QByteArray>
#include <QString>

enum class ApiRole { Read = 0, Write = 1, Admin = 2 };

namespace ApiRoles {

QString roleToText(ApiRole role);
ApiRole roleFromText(const QString &text);
// GET for every role, POST and PUT for write and admin, DELETE for admin; nothing else.
bool roleAllows(ApiRole role, const QByteArray &method);
// 64 lower-case hexadecimal characters.
QString generateKey();

} // namespace ApiRoles
