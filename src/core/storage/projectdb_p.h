#pragma once

// Helpers shared by the files that implement ProjectDb.

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

namespace ProjectDbDetail {

// Texts that are not optional are written as '' rather than NULL.
inline QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

inline QVariant optionalText(const QString &value)
{
    return value.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(value);
}

inline QVariant optionalDouble(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

inline QString utcNowText()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

inline void setError(QString *error, const QString &message)
{
    if (error)
        *error = message;
}

} // namespace ProjectDbDetail
