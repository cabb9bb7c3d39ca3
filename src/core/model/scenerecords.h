#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

// A background image of a scene, as stored in the "maps" table.
struct MapRecord
{
    QString file;
    QString uuid;
    QString label;
    QString description;
    QPointF pos;
    double rotation = 0.0;
    double z = -10000.0;
    double width = 0.0;
    double height = 0.0;
    bool anchored = false;
    bool showGrid = false;
    int gridStep = 64;
    double gridWidth = 1.0;
    QColor gridColor = QColor(0, 0, 0, 40);
    bool anonymize = false;
};

// A free rectangle or ellipse of a scene, as stored in the "shapes" table.
struct ShapeRecord
{
    enum class Kind { Rectangle, Ellipse };

    QString uuid;
    Kind kind = Kind::Rectangle;
    QRectF rect;
    QPointF pos;
    double z = -1000.0;
    double rotation = 0.0;
    QString label;
    QString descriptionHtml;
    QColor fill;
    QColor penColor;
    double penWidth = 1.0;
    bool locked = false;
};

// The free items of a scene that are saved beside the graph.
struct SceneRecords
{
    QList<MapRecord> maps;
    QList<ShapeRecord> shapes;
};
