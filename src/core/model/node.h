#pragma once

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

enum class NodeShape { Circle = 0, Square = 1, Triangle = 2, Pentagon = 3, Hexagon = 4, Octagon = 5 };

// One key/value fact of a node or a relation. An empty id is given a UUID when saved.
struct AttributeRow
{
    QString id;
    QString key;
    QString value;

    friend bool operator==(const AttributeRow &a, const AttributeRow &b)
    {
        return a.id == b.id && a.key == b.key && a.value == b.value;
    }
};

struct MediaRecord
{
    QString name;
    QString file;
    QString description;
    QString tags;
    QDateTime date; // invalid when absent
    QString author;
    QString sha256;

    friend bool operator==(const MediaRecord &a, const MediaRecord &b)
    {
        return a.name == b.name && a.file == b.file && a.description == b.description
            && a.tags == b.tags && a.date == b.date && a.author == b.author && a.sha256 == b.sha256;
    }
};

// Validity bounds; an invalid QDateTime means the bound is absent.
struct Validity
{
    QDateTime start;
    QDateTime end;

    friend bool operator==(const Validity &a, const Validity &b)
    {
        return a.start == b.start && a.end == b.end;
    }
};

struct Node
{
    QString id;
    QString label;
    QList<AttributeRow> attributes;
    QString type{QLatin1String("")};
    NodeShape shape = NodeShape::Circle;
    QColor color = QColor(245, 245, 245);
    double size = 1.0;
    QString mediaPath;
    QString description;
    Validity validity;
    QPointF pos;
    bool showLabel = true;
    bool anchored = false;
    bool visible = true;
    QList<MediaRecord> medias;
    bool isGroup = false;
    QStringList groupMembers;
    QString parentGroup;
    QPointF groupOffset;
    bool expanded = false;
    bool hypothesis = false;
    bool isInvestigationLink = false;
    QString investigationPath;
    std::optional<double> geoLat;
    std::optional<double> geoLon;

    friend bool operator==(const Node &a, const Node &b);
    friend bool operator!=(const Node &a, const Node &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(Node)
