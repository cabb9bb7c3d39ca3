#include "components/osmtiles.h"

#include "components/componentutils.h"

#include <QPainter>

#include <algorithm>

#include <cmath>

namespace OsmTiles {

QString defaultUserAgent()
{
    return QStringLiteral("OrvaneOSM/1.0 (Orvane threat-intelligence workbench; "
                          "contact: orvane-maps@users.noreply.invalid)");
}

QPointF tilePosition(double lat, double lon, int zoom)
{
    // Web Mercator stops at about ±85.0511°.
    const double clamped = std::clamp(lat, -85.05112878, 85.05112878);
    const double n = std::pow(2.0, zoom);
    const double radians = clamped * M_PI / 180.0;
    const double x = (lon + 180.0) / 360.0 * n;
    const double y = (1.0 - std::asinh(std::tan(radians)) / M_PI) / 2.0 * n;
    return {x, y};
}

QList<QPoint> Block::tiles() const
{
    QList<QPoint> list;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column)
            list.append(QPoint(x0 + column, y0 + row));
    }
    return list;
}

QPointF Block::pixel(double lat, double lon) const
{
    const QPointF tile = tilePosition(lat, lon, zoom);
    return {(tile.x() - x0) * tileSize, (tile.y() - y0) * tileSize};
}

Block blockAround(double lat, double lon, int zoom, int width, int height)
{
    const int world = 1 << std::clamp(zoom, 0, 30);
    Block block;
    block.zoom = zoom;
    block.width = std::clamp(width, 1, world);
    block.height = std::clamp(height, 1, world);
    const QPointF centre = tilePosition(lat, lon, zoom);
    block.x0 = std::clamp(int(std::floor(centre.x() - block.width / 2.0 + 0.5)), 0,
                          world - block.width);
    block.y0 = std::clamp(int(std::floor(centre.y() - block.height / 2.0 + 0.5)), 0,
                          world - block.height);
    return block;
}

QImage postProcess(const QImage &tile, const Processing &processing)
{
    QImage image = tile.convertToFormat(QImage::Format_ARGB32);
    if (processing.desaturate) {
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = line[x];
                const int grey = std::clamp(
                    qRound(0.3 * qRed(pixel) + 0.59 * qGreen(pixel) + 0.11 * qBlue(pixel)), 0, 255);
                line[x] = qRgba(grey, grey, grey, qAlpha(pixel));
            }
        }
    }
    if (processing.tint.isValid() && processing.opacity > 0) {
        QPainter painter(&image);
        painter.setOpacity(std::min(processing.opacity, 1.0));
        painter.fillRect(image.rect(), processing.tint);
    }
    return image;
}

QList<Tile> fetchBlock(const Block &block, const QString &base, const QString &userAgent,
                       const Processing &processing, int timeoutMs,
                       const std::function<bool(int, int, QPoint)> &progress)
{
    QList<Tile> result;
    const QList<QPoint> indexes = block.tiles();
    const QByteArray agent =
        (userAgent.trimmed().isEmpty() ? defaultUserAgent() : userAgent.trimmed()).toUtf8();
    for (int i = 0; i < indexes.size(); ++i) {
        const QPoint index = indexes.at(i);
        if (progress && !progress(i + 1, int(indexes.size()), index))
            break;
        const QString url =
            QStringLiteral("%1/%2/%3/%4.png").arg(base).arg(block.zoom).arg(index.x()).arg(index.y());
        const ComponentUtils::FetchResult reply =
            ComponentUtils::fetch(url, timeoutMs, {{"User-Agent", agent}});
        QImage image;
        if (reply.ok && image.loadFromData(reply.body, "PNG"))
            image = postProcess(image, processing);
        result.append({index, image});
    }
    return result;
}

QList<Marker> markers(const Graph &graph, const Block &block, bool skipAnchored)
{
    QList<Marker> list;
    for (const Node &node : graph.nodes()) {
        if (!node.geoLat || !node.geoLon || (skipAnchored && node.anchored))
            continue;
        list.append({node.id, node.label, block.pixel(*node.geoLat, *node.geoLon)});
    }
    std::sort(list.begin(), list.end(),
              [](const Marker &a, const Marker &b) { return a.nodeId < b.nodeId; });
    return list;
}

std::optional<QPointF> geolocatedCentre(const Graph &graph)
{
    double lat = 0;
    double lon = 0;
    int count = 0;
    for (const Node &node : graph.nodes()) {
        if (node.geoLat && node.geoLon) {
            lat += *node.geoLat;
            lon += *node.geoLon;
            ++count;
        }
    }
    if (count == 0)
        return std::nullopt;
    return QPointF(lat / count, lon / count);
}

} // namespace OsmTiles
