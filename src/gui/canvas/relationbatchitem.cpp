#include "canvas/relationbatchitem.h"

#include "canvas/edgeitem.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <map>
#include <utility>

RelationBatchItem::RelationBatchItem(const QHash<QString, EdgeItem *> *edges) : m_edges(edges)
{
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    // Under every relation item and node, above the background pictures and shapes.
    setZValue(-5);
    setFlag(ItemUsesExtendedStyleOption);
}

QPainterPath RelationBatchItem::shape() const
{
    return QPainterPath();
}

void RelationBatchItem::setBounds(const QRectF &bounds)
{
    if (bounds == m_bounds)
        return;
    prepareGeometryChange();
    m_bounds = bounds;
}

void RelationBatchItem::growBounds(const QRectF &rect)
{
    if (rect.isNull() || m_bounds.contains(rect))
        return;
    setBounds(m_bounds.isNull() ? rect : m_bounds | rect);
}

void RelationBatchItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    const double lod =
        QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    if (lod >= EdgeItem::farDetail || !m_edges)
        return;
    // Grown by the widest stroke, the halo, so that no cut end shows.
    const double margin = 20 / std::max(lod, 1e-6);
    const QRectF area = option->exposedRect.adjusted(-margin, -margin, margin, margin);
    std::map<std::pair<QRgb, double>, QPainterPath> lines;
    QPainterPath halos;
    for (const EdgeItem *edge : *m_edges) {
        if (!edge->drawnInBatch() || !edge->boundingRect().intersects(area))
            continue;
        QPainterPath &path = lines[{edge->effectiveColor().rgba(), edge->penWidth()}];
        edge->appendCentreLine(path);
        if (edge->edge().hypothesis)
            edge->appendCentreLine(halos);
    }
    painter->setBrush(Qt::NoBrush);
    if (!halos.isEmpty()) {
        QPen halo(QColor(100, 180, 255, 90), std::min(18.0, EdgeItem::maximumHaloWidth * lod),
                  Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        halo.setCosmetic(true);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(halo);
        painter->drawPath(halos);
    }
    for (const auto &[key, path] : lines) {
        // In device pixels; lines thinner than one are drawn one pixel wide, without the
        // antialiasing that would double their cost.
        const double pixels = key.second * lod;
        QPen pen(QColor::fromRgba(key.first), pixels >= 1 ? pixels : 0, Qt::SolidLine,
                 Qt::RoundCap, Qt::RoundJoin);
        pen.setCosmetic(true);
        painter->setRenderHint(QPainter::Antialiasing, pixels >= 1);
        painter->setPen(pen);
        painter->drawPath(path);
    }
}
