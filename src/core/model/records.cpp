#include "model/edge.h"

bool operator==(const Node &a, const Node &b)
{
    return a.id == b.id && a.label == b.label && a.attributes == b.attributes && a.type == b.type
        && a.shape == b.shape && a.color == b.color && a.size == b.size && a.mediaPath == b.mediaPath
        && a.description == b.description && a.validity == b.validity && a.pos == b.pos
        && a.showLabel == b.showLabel && a.anchored == b.anchored && a.visible == b.visible
        && a.medias == b.medias && a.isGroup == b.isGroup && a.groupMembers == b.groupMembers
        && a.parentGroup == b.parentGroup && a.groupOffset == b.groupOffset
        && a.expanded == b.expanded && a.hypothesis == b.hypothesis
        && a.isInvestigationLink == b.isInvestigationLink
        && a.investigationPath == b.investigationPath && a.geoLat == b.geoLat
        && a.geoLon == b.geoLon;
}

bool operator==(const Edge &a, const Edge &b)
{
    return a.id == b.id && a.src == b.src && a.dst == b.dst && a.label == b.label
        && a.showLabel == b.showLabel && a.type == b.type && a.direction == b.direction
        && a.attributes == b.attributes && a.properties == b.properties
        && a.description == b.description && a.validity == b.validity && a.color == b.color
        && a.width == b.width && a.visible == b.visible && a.hypothesis == b.hypothesis;
}
