#include "storage/projectdb.h"

#include "model/graph.h"
#include "model/textforms.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace ProjectDbDetail;
using namespace TextForms;

namespace {

bool select(QSqlQuery &query, const char *statement, QString *error)
{
    query.setForwardOnly(true);
    if (query.exec(QLatin1String(statement)))
        return true;
    setError(error, query.lastError().text());
    return false;
}

std::optional<double> optionalDoubleValue(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

} // namespace

bool ProjectDb::loadAll(Graph &graph, SceneRecords &scene, const QString &folder, QString *error)
{
    return loadGraph(graph, folder, error) && loadScene(scene, folder, error);
}

bool ProjectDb::loadGraph(Graph &graph, const QString &folder, QString *error)
{
    graph.clear();
    Graph loaded;

    QSqlQuery query(m_db);
    if (!select(query,
                "SELECT id,label,type,shape,color,size,media_path,description,valid_start,"
                "valid_end,show_label,anchored,visible,hypothesis,x,y,geo_lat,geo_lon FROM nodes",
                error))
        return false;
    QHash<QString, Node> nodes;
    while (query.next()) {
        Node node;
        node.id = query.value(0).toString();
        node.label = query.value(1).toString();
        node.type = query.value(2).toString();
        node.shape = parseShapeName(query.value(3).toString());
        node.color = parseColor(query.value(4).toString());
        node.size = query.value(5).toDouble();
        node.mediaPath = ProjectFolder::resolveFromFolder(query.value(6).toString(), folder);
        node.description = query.value(7).toString();
        node.validity.start = parseDateTime(query.value(8).toString());
        node.validity.end = parseDateTime(query.value(9).toString());
        node.showLabel = query.value(10).toInt() != 0;
        node.anchored = query.value(11).toInt() != 0;
        node.visible = query.value(12).toInt() != 0;
        node.hypothesis = query.value(13).toInt() != 0;
        node.pos = QPointF(query.value(14).toDouble(), query.value(15).toDouble());
        node.geoLat = optionalDoubleValue(query.value(16));
        node.geoLon = optionalDoubleValue(query.value(17));
        nodes.insert(node.id, node);
    }

    if (!select(query, "SELECT id,node_id,k,v FROM node_attrs", error))
        return false;
    while (query.next()) {
        auto it = nodes.find(query.value(1).toString());
        if (it != nodes.end())
            it->attributes.append({query.value(0).toString(), query.value(2).toString(),
                                   query.value(3).toString()});
    }

    if (!select(query,
                "SELECT node_id,name,file,description,tags,date,author,sha256 FROM node_medias",
                error))
        return false;
    while (query.next()) {
        auto it = nodes.find(query.value(0).toString());
        if (it == nodes.end())
            continue;
        MediaRecord media;
        media.name = query.value(1).toString();
        media.file = ProjectFolder::resolveFromFolder(query.value(2).toString(), folder);
        media.description = query.value(3).toString();
        media.tags = query.value(4).toString();
        media.date = parseDateTime(query.value(5).toString());
        media.author = query.value(6).toString();
        media.sha256 = query.value(7).toString();
        it->medias.append(media);
    }

    if (!select(query,
                "SELECT id,src,dst,label,show_label,hypothesis,type,direction,description,"
                "valid_start,valid_end,color,width,visible FROM edges",
                error))
        return false;
    QHash<QString, Edge> edges;
    while (query.next()) {
        Edge edge;
        edge.id = query.value(0).toString();
        edge.src = query.value(1).toString();
        edge.dst = query.value(2).toString();
        edge.label = query.value(3).toString();
        edge.showLabel = query.value(4).toInt() != 0;
        edge.hypothesis = query.value(5).toInt() != 0;
        edge.type = query.value(6).toString();
        edge.direction = parseDirection(query.value(7).toString());
        edge.description = query.value(8).toString();
        edge.validity.start = parseDateTime(query.value(9).toString());
        edge.validity.end = parseDateTime(query.value(10).toString());
        edge.color = parseColor(query.value(11).toString());
        edge.width = query.value(12).toDouble();
        edge.visible = query.value(13).toInt() != 0;
        edges.insert(edge.id, edge);
    }

    if (!select(query, "SELECT id,edge_id,k,v FROM edge_attrs", error))
        return false;
    while (query.next()) {
        auto it = edges.find(query.value(1).toString());
        if (it != edges.end())
            it->attributes.append({query.value(0).toString(), query.value(2).toString(),
                                   query.value(3).toString()});
    }

    if (!select(query, "SELECT group_id, node_id, offset_x, offset_y FROM group_members", error))
        return false;
    while (query.next()) {
        const QString groupId = query.value(0).toString();
        const QString memberId = query.value(1).toString();
        auto group = nodes.find(groupId);
        auto member = nodes.find(memberId);
        if (group == nodes.end() || member == nodes.end())
            continue;
        group->isGroup = true;
        if (!group->groupMembers.contains(memberId))
            group->groupMembers.append(memberId);
        member->parentGroup = groupId;
        member->groupOffset = QPointF(query.value(2).toDouble(), query.value(3).toDouble());
    }

    for (const Node &node : std::as_const(nodes))
        graph.putNode(node);
    for (const Edge &edge : std::as_const(edges))
        graph.putEdge(edge);
    return true;
}

bool ProjectDb::loadScene(SceneRecords &scene, const QString &folder, QString *error)
{
    scene = SceneRecords();
    QSqlQuery query(m_db);
    if (!select(query,
                "SELECT uuid, kind, x, y, w, h, px, py, z, rotation, label, desc_html, fill, "
                "pen_color, pen_width, locked FROM shapes ORDER BY id ASC",
                error))
        return false;
    while (query.next()) {
        ShapeRecord shape;
        shape.uuid = query.value(0).toString();
        shape.kind = query.value(1).toString() == u"ellipse" ? ShapeRecord::Kind::Ellipse
                                                             : ShapeRecord::Kind::Rectangle;
        shape.rect = QRectF(query.value(2).toDouble(), query.value(3).toDouble(),
                            query.value(4).toDouble(), query.value(5).toDouble());
        shape.pos = QPointF(query.value(6).toDouble(), query.value(7).toDouble());
        shape.z = query.value(8).toDouble();
        shape.rotation = query.value(9).toDouble();
        shape.label = query.value(10).toString();
        shape.descriptionHtml = query.value(11).toString();
        shape.fill = parseColor(query.value(12).toString());
        shape.penColor = parseColor(query.value(13).toString());
        shape.penWidth = query.value(14).toDouble();
        shape.locked = query.value(15).toInt() != 0;
        scene.shapes.append(shape);
    }

    if (!select(query,
                "SELECT file,uuid,label,description,x,y,rotation,z,w,h,anchored,show_grid,"
                "grid_step,grid_width,grid_color,anonymize FROM maps",
                error))
        return false;
    while (query.next()) {
        MapRecord map;
        map.file = ProjectFolder::resolveFromFolder(query.value(0).toString(), folder);
        map.uuid = query.value(1).toString();
        map.label = query.value(2).toString();
        map.description = query.value(3).toString();
        map.pos = QPointF(query.value(4).toDouble(), query.value(5).toDouble());
        map.rotation = query.value(6).toDouble();
        map.z = query.value(7).toDouble();
        map.width = query.value(8).toDouble();
        map.height = query.value(9).toDouble();
        map.anchored = query.value(10).toInt() != 0;
        map.showGrid = query.value(11).toInt() != 0;
        map.gridStep = query.value(12).toInt();
        map.gridWidth = query.value(13).toDouble();
        map.gridColor = parseColor(query.value(14).toString());
        map.anonymize = query.value(15).toInt() != 0;
        scene.maps.append(map);
    }
    return true;
}
