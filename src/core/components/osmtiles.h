#pragma once

#include "model/graph.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>

#include <functional>
#include <optional>

// OpenStreetMap tiles for the map preview: Web Mercator tile numbering, the block of tiles
// around a centre, their download and post-processing, and where geolocated nodes fall on
// the assembled picture.
namespace OsmTiles {

constexpr int tileSize = 256;

// What the tile servers' usage policy asks for: a product token naming the program and a
// way to reach its users.
QString defaultUserAgent();

// Fractional tile coordinates of a position at a zoom level.
QPointF tilePosition(double lat, double lon, int zoom);

struct Block
{
    int zoom = 12;
    int x0 = 0;
    int y0 = 0;
    int width = 0;
    int height = 0;
    QList<QPoint> tiles() const; // row after row
    // Pixel position of a geographic position in the assembled block.
    QPointF pixel(double lat, double lon) const;
};

// width × height tiles centred on the position, kept inside the world (which holds
// 2^zoom tiles a side).
Block blockAround(double lat, double lon, int zoom, int width, int height);

struct Processing
{
    bool desaturate = false;
    QColor tint; // invalid: none
    double opacity = 0;
};
// Grey with luminance 0.3 R + 0.59 G + 0.11 B (alpha kept), then the tint painted over
// with the opacity (capped at 1) when both are set.
QImage postProcess(const QImage &tile, const Processing &processing);

struct Tile
{
    QPoint index;
    QImage image; // null when the download or the decoding failed
};

// Downloads the block's tiles one after the other from base + "/z/x/y.png". progress is
// told each tile before it is asked for and may answer false to stop.
QList<Tile> fetchBlock(const Block &block, const QString &base, const QString &userAgent,
                       const Processing &processing, int timeoutMs,
                       const std::function<bool(int index, int total, QPoint tile)> &progress);

struct Marker
{
    QString nodeId;
    QString label;
    QPointF pixel;
};
// The nodes holding both coordinates, at their pixel positions in the block; anchored nodes
// left out when asked.
QList<Marker> markers(const Graph &graph, const Block &block, bool skipAnchored);

// The mean position of the geolocated nodes, when there is one.
std::optional<QPointF> geolocatedCentre(const Graph &graph);

} // namespace OsmTiles
