#include "storage/projectdb.h"

#include "model/graph.h"
#include "model/textforms.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"
#include "storage/sqlitestatement.h"
#include "storage/stixtable.h"

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

} // namespace

bool ProjectDb::loadAll(Graph &graph, SceneRecords &scene, const QString &folder, QString *error)
{
    return loadGraph(graph, folder, error) && loadScene(scene, folder, error);
}

bool ProjectDb::loadGraph(Graph &graph, const QString &folder, QString *error)
{
    graph.clear();
    sqlite3 *handle = SqliteStatement::handle(m_db);
    auto prepare = [&](SqliteStatement &statement) {
        if (statement.isValid())
            return true;
        setError(error, statement.errorText());
        return false;
    };
    auto finished = [&](const SqliteStatement &statement) {
        if (!statement.failed())
            return true;
        setError(error, statement.errorText());
        return false;
    };

    QHash<QString, Node> nodes;
    {
        SqliteStatement query(handle,
            "SELECT id,label,type,shape,color,size,media_path,description,valid_start,"
            "valid_end,show_label,anchored,visible,hypothesis,x,y,geo_lat,geo_lon FROM nodes");
        if (!prepare(query))
            return false;
        while (query.next()) {
            Node node;
            node.id = query.text(0);
            node.label = query.text(1);
            node.type = query.text(2);
            node.shape = parseShapeName(query.text(3));
            node.color = parseColor(query.text(4));
            node.size = query.real(5);
            node.mediaPath = ProjectFolder::resolveFromFolder(query.text(6), folder);
            node.description = query.text(7);
            node.validity.start = parseDateTime(query.text(8));
            node.validity.end = parseDateTime(query.text(9));
            node.showLabel = query.integer(10) != 0;
            node.anchored = query.integer(11) != 0;
            node.visible = query.integer(12) != 0;
            node.hypothesis = query.integer(13) != 0;
            node.pos = QPointF(query.real(14), query.real(15));
            if (!query.isNull(16))
                node.geoLat = query.real(16);
            if (!query.isNull(17))
                node.geoLon = query.real(17);
            nodes.insert(node.id, node);
        }
        if (!finished(query))
            return false;
    }
    {
        SqliteStatement query(handle, "SELECT id,node_id,k,v FROM node_attrs");
        if (!prepare(query))
            return false;
        while (query.next()) {
            auto it = nodes.find(query.text(1));
            if (it != nodes.end())
                it->attributes.append({query.text(0), query.text(2), query.text(3)});
        }
        if (!finished(query))
            return false;
    }
    {
        SqliteStatement query(handle,
            "SELECT node_id,name,file,description,tags,date,author,sha256 FROM node_medias");
        if (!prepare(query))
            return false;
        while (query.next()) {
            auto it = nodes.find(query.text(0));
            if (it == nodes.end())
                continue;
            MediaRecord media;
            media.name = query.text(1);
            media.file = ProjectFolder::resolveFromFolder(query.text(2), folder);
            media.description = query.text(3);
            media.tags = query.text(4);
            media.date = parseDateTime(query.text(5));
            media.author = query.text(6);
            media.sha256 = query.text(7);
            it->medias.append(media);
        }
        if (!finished(query))
            return false;
    }

    QHash<QString, Edge> edges;
    {
        SqliteStatement query(handle,
            "SELECT id,src,dst,label,show_label,hypothesis,type,direction,description,"
            "valid_start,valid_end,color,width,visible FROM edges");
        if (!prepare(query))
            return false;
        while (query.next()) {
            Edge edge;
            edge.id = query.text(0);
            edge.src = query.text(1);
            edge.dst = query.text(2);
            edge.label = query.text(3);
            edge.showLabel = query.integer(4) != 0;
            edge.hypothesis = query.integer(5) != 0;
            edge.type = query.text(6);
            edge.direction = parseDirection(query.text(7));
            edge.description = query.text(8);
            edge.validity.start = parseDateTime(query.text(9));
            edge.validity.end = parseDateTime(query.text(10));
            edge.color = parseColor(query.text(11));
            edge.width = query.real(12);
            edge.visible = query.integer(13) != 0;
            edges.insert(edge.id, edge);
        }
        if (!finished(query))
            return false;
    }
    {
        SqliteStatement query(handle, "SELECT id,edge_id,k,v FROM edge_attrs");
        if (!prepare(query))
            return false;
        while (query.next()) {
            auto it = edges.find(query.text(1));
            if (it != edges.end())
                it->attributes.append({query.text(0), query.text(2), query.text(3)});
        }
        if (!finished(query))
            return false;
    }
    {
        SqliteStatement query(handle,
            "SELECT group_id, node_id, offset_x, offset_y FROM group_members");
        if (!prepare(query))
            return false;
        while (query.next()) {
            const QString groupId = query.text(0);
            const QString memberId = query.text(1);
            auto group = nodes.find(groupId);
            auto member = nodes.find(memberId);
            if (group == nodes.end() || member == nodes.end())
                continue;
            group->isGroup = true;
            if (!group->groupMembers.contains(memberId))
                group->groupMembers.append(memberId);
            member->parentGroup = groupId;
            member->groupOffset = QPointF(query.real(2), query.real(3));
        }
        if (!finished(query))
            return false;
    }

    graph.assign(std::move(nodes), std::move(edges));
    return StixTable::load(handle, graph, error);
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
