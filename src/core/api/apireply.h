#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

// The answer of a route: a status and, for successes, a body with its content type.
// Error answers carry no body.
struct ApiReply
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;

    bool isSuccess() const { return status >= 200 && status < 300; }

    static ApiReply error(int status) { return ApiReply{status, QByteArray(), QByteArray()}; }
    static ApiReply text(const QByteArray &body)
    {
        return ApiReply{200, QByteArrayLiteral("text/plain; charset=utf-8"), body};
    }
    static ApiReply json(const QJsonObject &object, int status = 200)
    {
        return ApiReply{status, QByteArrayLiteral("application/json; charset=utf-8"),
                        QJsonDocument(object).toJson(QJsonDocument::Compact)};
    }
};
