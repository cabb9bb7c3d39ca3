#pragma once

#include "model/node.h"

#include <QVariantMap>

enum class EdgeDirection { Directed = 0, DirectedInverse = 1, Undirected = 2, None = 3 };

struct Edge
{
    QString id;
    QString src;
    QString dst;
    QString label;
    bool showLabel = true;
    QString type{QLatin1String("")};
    EdgeDirection direction = EdgeDirection::Directed;
    QList<AttributeRow> attributes;
    QVariantMap properties; // held in memory only, never stored
    QString description;
    Validity validity;
    QColor color; // invalid: no colour set
    double width = 1.8;
    bool visible = true;
    bool hypothesis = false;

    friend bool operator==(const Edge &a, const Edge &b);
    friend bool operator!=(const Edge &a, const Edge &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(Edge)
