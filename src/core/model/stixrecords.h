#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

// What a STIX import keeps besides the nodes and relations, so that an export gives the
// objects back as they came: the object each imported record was made from, and the objects
// that are not drawn (marking definitions and the like) which records refer to.
struct StixOrigin
{
    QJsonObject object;
    // Summary of the record as the import made it: a record whose summary no longer matches
    // may have been changed by the analyst, and is compared field by field.
    quint64 fingerprint = 0;
};

struct StixRecords
{
    QHash<QString, StixOrigin> nodeOrigins; // node id -> object
    QHash<QString, StixOrigin> edgeOrigins; // relation id -> object
    QList<QJsonObject> detached;            // in the order they came

    bool isEmpty() const
    {
        return nodeOrigins.isEmpty() && edgeOrigins.isEmpty() && detached.isEmpty();
    }
};
