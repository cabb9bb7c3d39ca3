#pragma once

#include "api/apirequest.h"

#include <QDateTime>
#include <QJsonObject>

// What a route handler knows about its request once authorisation and project resolution
// have run.
struct RouteContext
{
    const ApiRequest &request;
    QString project; // the "db" parameter, trimmed
    QString dbPath;  // the project's database file
    QString folder;  // the project folder: the directory of dbPath
    // Set by the upload before the project is loaded: the file name and the staged copy.
    QString uploadName;
    QString stagedFile;
    QString stagingFolder; // the upload's own folder under ".staging", removed afterwards
    // Drawn once per request, so that a write made again (on a newer file, on the open tab)
    // creates the same record.
    QString newId;
    QDateTime now;

    QString param(const char *name) const { return request.param(QLatin1String(name)); }
    QString rawParam(const char *name) const { return request.rawParam(QLatin1String(name)); }

    // "result" and "project", present in every JSON answer.
    QJsonObject envelope() const
    {
        return QJsonObject{{QStringLiteral("result"), QStringLiteral("ok")},
                           {QStringLiteral("project"), project}};
    }
};
