#include "document/graphdocument.h"

#include "model/changerecording.h"

#include <QUndoCommand>
#include <QUndoStack>
#include <QUuid>

#include <algorithm>

#include <optional>
#include <utility>

// One step of the history: the records an edit touched, before and after.
class GraphEditCommand : public QUndoCommand
{
public:
    GraphEditCommand(GraphDocument *document, const QString &text, ChangeSet changes,
                     bool alreadyApplied)
        : QUndoCommand(text), m_document(document), m_changes(std::move(changes)),
          m_skipRedo(alreadyApplied)
    {
    }

    void redo() override
    {
        // An edit has changed the tables already when it is pushed.
        if (std::exchange(m_skipRedo, false))
            return;
        m_document->applySide(m_changes, true);
    }
    void undo() override { m_document->applySide(m_changes, false); }

    const ChangeSet &changes() const { return m_changes; }

private:
    GraphDocument *m_document;
    ChangeSet m_changes;
    bool m_skipRedo;
};

namespace {

bool sameMap(const MapRecord &a, const MapRecord &b)
{
    return a.file == b.file && a.uuid == b.uuid && a.label == b.label
        && a.description == b.description && a.pos == b.pos && a.rotation == b.rotation
        && a.z == b.z && a.width == b.width && a.height == b.height && a.anchored == b.anchored
        && a.showGrid == b.showGrid && a.gridStep == b.gridStep && a.gridWidth == b.gridWidth
        && a.gridColor == b.gridColor && a.anonymize == b.anonymize;
}

bool sameShape(const ShapeRecord &a, const ShapeRecord &b)
{
    return a.uuid == b.uuid && a.kind == b.kind && a.rect == b.rect && a.pos == b.pos
        && a.z == b.z && a.rotation == b.rotation && a.label == b.label
        && a.descriptionHtml == b.descriptionHtml && a.fill == b.fill
        && a.penColor == b.penColor && a.penWidth == b.penWidth && a.locked == b.locked;
}

// One record of a scene list as an edit found it and left it, with where it stood.
template <typename Record>
struct RecordChange
{
    QString uuid;
    int beforeIndex = -1;
    int afterIndex = -1;
    std::optional<Record> before;
    std::optional<Record> after;
};

template <typename Record>
int indexOf(const QList<Record> &records, const QString &uuid)
{
    for (int i = 0; i < records.size(); ++i) {
        if (records.at(i).uuid == uuid)
            return i;
    }
    return -1;
}

template <typename Record, typename Same>
QList<RecordChange<Record>> diff(const QList<Record> &before, const QList<Record> &after,
                                 Same same)
{
    QList<RecordChange<Record>> changes;
    for (int i = 0; i < before.size(); ++i) {
        const int j = indexOf(after, before.at(i).uuid);
        if (j < 0)
            changes.append({before.at(i).uuid, i, -1, before.at(i), std::nullopt});
        else if (!same(before.at(i), after.at(j)))
            changes.append({before.at(i).uuid, i, j, before.at(i), after.at(j)});
    }
    for (int j = 0; j < after.size(); ++j) {
        if (indexOf(before, after.at(j).uuid) < 0)
            changes.append({after.at(j).uuid, -1, j, std::nullopt, after.at(j)});
    }
    return changes;
}

// Writes one side of the changes into records: removals first, then the records of that side
// back at the places they held.
template <typename Record>
void applyRecords(QList<Record> &records, const QList<RecordChange<Record>> &changes, bool after)
{
    for (const RecordChange<Record> &change : changes) {
        const int at = indexOf(records, change.uuid);
        if (at >= 0)
            records.removeAt(at);
    }
    QList<const RecordChange<Record> *> placed;
    for (const RecordChange<Record> &change : changes) {
        if (after ? change.after : change.before)
            placed.append(&change);
    }
    std::sort(placed.begin(), placed.end(), [after](const auto *a, const auto *b) {
        return (after ? a->afterIndex : a->beforeIndex) < (after ? b->afterIndex : b->beforeIndex);
    });
    for (const RecordChange<Record> *change : std::as_const(placed)) {
        const int index = after ? change->afterIndex : change->beforeIndex;
        records.insert(std::clamp(index, 0, int(records.size())),
                       after ? *change->after : *change->before);
    }
}

// Every map and shape has an identity, so that its item and its undo steps can find it.
void assignIdentities(SceneRecords &records)
{
    for (MapRecord &map : records.maps) {
        if (map.uuid.isEmpty())
            map.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    }
    for (ShapeRecord &shape : records.shapes) {
        if (shape.uuid.isEmpty())
            shape.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    }
}

} // namespace

// One step of the history on the background images and shapes.
class SceneEditCommand : public QUndoCommand
{
public:
    SceneEditCommand(GraphDocument *document, const QString &text, const SceneRecords &before,
                     const SceneRecords &after)
        : QUndoCommand(text), m_document(document),
          m_maps(diff(before.maps, after.maps, sameMap)),
          m_shapes(diff(before.shapes, after.shapes, sameShape))
    {
    }

    bool isEmpty() const { return m_maps.isEmpty() && m_shapes.isEmpty(); }

    void redo() override
    {
        // The edit has changed the records already when it is pushed.
        if (std::exchange(m_skipRedo, false))
            return;
        applySide(true);
    }
    void undo() override { applySide(false); }

private:
    void applySide(bool after)
    {
        applyRecords(m_document->m_sceneRecords.maps, m_maps, after);
        applyRecords(m_document->m_sceneRecords.shapes, m_shapes, after);
        Q_EMIT m_document->sceneChanged();
    }

    GraphDocument *m_document;
    QList<RecordChange<MapRecord>> m_maps;
    QList<RecordChange<ShapeRecord>> m_shapes;
    bool m_skipRedo = true;
};

namespace {

template <typename Change>
void classify(const QString &id, const Change &change, bool after, QStringList &added,
              QStringList &removed, QStringList &changed)
{
    const bool was = bool(after ? change.before : change.after);
    const bool is = bool(after ? change.after : change.before);
    if (!was && is)
        added.append(id);
    else if (was && !is)
        removed.append(id);
    else if (was && is)
        changed.append(id);
}

GraphChange describe(const ChangeSet &changes, bool after)
{
    GraphChange change;
    for (auto it = changes.nodes.cbegin(); it != changes.nodes.cend(); ++it)
        classify(it.key(), *it, after, change.nodesAdded, change.nodesRemoved,
                 change.nodesChanged);
    for (auto it = changes.edges.cbegin(); it != changes.edges.cend(); ++it)
        classify(it.key(), *it, after, change.edgesAdded, change.edgesRemoved,
                 change.edgesChanged);
    return change;
}

} // namespace

GraphDocument::GraphDocument(QObject *parent)
    : QObject(parent), m_undoStack(new QUndoStack(this))
{
    connect(m_undoStack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { Q_EMIT modifiedChanged(!clean); });
}

GraphDocument::~GraphDocument() = default;

bool GraphDocument::isModified() const
{
    return !m_undoStack->isClean();
}

void GraphDocument::markSaved()
{
    m_undoStack->setClean();
}

namespace {

// Adds one step to a composition: the first "before" of each record stays, the last
// "after" wins.
template <typename Table>
void compose(Table &total, const Table &step, bool forward)
{
    for (auto it = step.cbegin(); it != step.cend(); ++it) {
        const auto &from = forward ? it->before : it->after;
        const auto &to = forward ? it->after : it->before;
        auto found = total.find(it.key());
        if (found == total.end()) {
            found = total.insert(it.key(), {});
            found->before = from;
        }
        found->after = to;
    }
}

} // namespace

QList<const QUndoCommand *> GraphDocument::unsavedSteps(bool *forward) const
{
    const int clean = m_undoStack->cleanIndex();
    const int current = m_undoStack->index();
    const int first = clean < 0 ? 0 : std::min(clean, current);
    const int last = clean < 0 ? current : std::max(clean, current);
    *forward = clean < 0 || clean <= current;
    QList<const QUndoCommand *> steps;
    for (int step = 0; step < last - first; ++step)
        steps.append(m_undoStack->command(*forward ? first + step : last - 1 - step));
    return steps;
}

ChangeSet GraphDocument::unsavedChanges() const
{
    bool forward = true;
    ChangeSet total;
    for (const QUndoCommand *step : unsavedSteps(&forward)) {
        // Scene steps lie on the same stack; they hold no graph records.
        const auto *command = dynamic_cast<const GraphEditCommand *>(step);
        if (!command)
            continue;
        const ChangeSet &changes = command->changes();
        compose(total.nodes, changes.nodes, forward);
        compose(total.edges, changes.edges, forward);
        if (changes.stix) {
            const StixRecords &from = forward ? changes.stix->first : changes.stix->second;
            const StixRecords &to = forward ? changes.stix->second : changes.stix->first;
            if (!total.stix)
                total.stix = std::make_pair(from, to);
            total.stix->second = to;
        }
    }
    total.dropUnchanged();
    return total;
}

bool GraphDocument::sceneModified() const
{
    if (m_undoStack->cleanIndex() < 0)
        return true;
    bool forward = true;
    const QList<const QUndoCommand *> steps = unsavedSteps(&forward);
    return std::any_of(steps.cbegin(), steps.cend(), [](const QUndoCommand *step) {
        return dynamic_cast<const SceneEditCommand *>(step) != nullptr;
    });
}

void GraphDocument::markFileDiverged()
{
    m_fileDiverged = true;
}

void GraphDocument::markWholeFileSaved()
{
    markSaved();
    m_fileDiverged = false;
}

bool GraphDocument::fileHoldsSavedState() const
{
    return !m_fileDiverged && m_undoStack->cleanIndex() >= 0;
}

void GraphDocument::markUnsaved()
{
    m_undoStack->resetClean();
}

ChangeSet GraphDocument::edit(const QString &text, const std::function<void(Graph &)> &change)
{
    ChangeSet changes;
    ChangeRecording::record(m_graph, changes, [&change](Graph &graph) {
        change(graph);
        return true;
    });
    push(text, changes);
    return changes;
}

bool GraphDocument::tryEdit(const QString &text, const std::function<bool(Graph &)> &change)
{
    ChangeSet changes;
    // A refused change is put back quietly: the views never saw the attempt.
    if (!ChangeRecording::record(m_graph, changes, change))
        return false;
    push(text, changes);
    return true;
}

void GraphDocument::push(const QString &text, const ChangeSet &changes)
{
    if (changes.isEmpty())
        return;
    const GraphChange described = describe(changes, true);
    m_undoStack->push(new GraphEditCommand(this, text, changes, true));
    Q_EMIT changed(described);
}

void GraphDocument::apply(const QString &text, const ChangeSet &changes)
{
    ChangeSet applied = changes;
    // The "before" side is what the tables hold now, whatever the preparer saw.
    ChangeRecording::takeSide(m_graph, applied, false);
    if (applied.stix)
        applied.stix->first = m_graph.stix();
    applied.dropUnchanged();
    if (applied.isEmpty())
        return;
    m_undoStack->push(new GraphEditCommand(this, text, std::move(applied), false));
}

void GraphDocument::applySide(const ChangeSet &changes, bool after)
{
    ChangeRecording::applySide(m_graph, changes, after);
    Q_EMIT changed(describe(changes, after));
}

void GraphDocument::load(Graph graph, SceneRecords sceneRecords, const QString &filePath)
{
    m_graph.assign(graph.nodes(), graph.edges());
    m_graph.stix() = graph.stix();
    m_sceneRecords = std::move(sceneRecords);
    assignIdentities(m_sceneRecords);
    m_filePath = filePath;
    m_undoStack->clear();
    m_undoStack->setClean();
    m_fileDiverged = false;
    Q_EMIT reloaded();
}

void GraphDocument::adoptStoredRecords(const QList<Node> &nodes)
{
    GraphChange change;
    for (const Node &node : nodes) {
        if (m_graph.replaceNode(node))
            change.nodesChanged.append(node.id);
    }
    if (!change.isEmpty())
        Q_EMIT changed(change);
}

void GraphDocument::setSceneRecords(SceneRecords sceneRecords)
{
    m_sceneRecords = std::move(sceneRecords);
    assignIdentities(m_sceneRecords);
    Q_EMIT sceneChanged();
}

bool GraphDocument::editScene(const QString &text,
                              const std::function<void(SceneRecords &)> &change)
{
    const SceneRecords before = m_sceneRecords;
    change(m_sceneRecords);
    assignIdentities(m_sceneRecords);
    auto *command = new SceneEditCommand(this, text, before, m_sceneRecords);
    if (command->isEmpty()) {
        delete command;
        return false;
    }
    m_undoStack->push(command);
    Q_EMIT sceneChanged();
    return true;
}
