#pragma once

#include "model/changeset.h"
#include "model/graph.h"
#include "model/scenerecords.h"

#include <QObject>
#include <QString>

#include <functional>

class QUndoStack;

// One open investigation: its node and relation tables, the free items saved with its scene,
// the project file it belongs to and its undo history.
//
// The document is the only writer of its tables. Every change runs through edit() (or
// apply() for a change set prepared elsewhere): the graph records the prior value of each
// record the change touches, the touched records become one undo step on the stack, and
// changed() tells the views which ids were added, removed or changed, so that they update
// only those. Undo and redo apply the stored before and after records the same way. Only a
// load replaces everything at once (reloaded()) and starts a new history.
//
// "Modified" is simply "the stack is not at its clean index": a save marks the index, and
// undoing back to it makes the document unmodified again.
class GraphDocument : public QObject
{
    Q_OBJECT

public:
    explicit GraphDocument(QObject *parent = nullptr);
    ~GraphDocument() override;

    const Graph &graph() const { return m_graph; }
    const SceneRecords &sceneRecords() const { return m_sceneRecords; }
    QUndoStack *undoStack() const { return m_undoStack; }

    // The project database this document was loaded from or saved to; empty when never saved.
    const QString &filePath() const { return m_filePath; }
    void setFilePath(const QString &path) { m_filePath = path; }

    bool isModified() const;
    // The current state is what the file holds.
    void markSaved();
    // No state of the history is what a file holds (content that was never saved).
    void markUnsaved();

    // Runs change on the tables and keeps what it changed as one undo step named text (the
    // name the Edition menu shows). Nothing is pushed when the change left every record as
    // it was. Returns what changed.
    ChangeSet edit(const QString &text, const std::function<void(Graph &)> &change);
    // The same for a change that can fail: when it answers false, every record it touched
    // is put back and no step is pushed.
    bool tryEdit(const QString &text, const std::function<bool(Graph &)> &change);
    // Applies the "after" side of a change set prepared elsewhere as one undo step.
    void apply(const QString &text, const ChangeSet &changes);

    // What the tables hold beyond the saved state, as one change set: the steps between the
    // clean index and the current one, composed (backwards when the analyst undid past the
    // save). Every step counts when no state is saved.
    ChangeSet unsavedChanges() const;

    // Replaces the whole content, as a load does: no undo step, the history starts anew and
    // the document is unmodified.
    void load(Graph graph, SceneRecords sceneRecords, const QString &filePath);
    // Takes records as a save stored them (media paths pointing at the project's copies):
    // what the file holds now, so no undo step and no change of the modified state.
    void adoptStoredRecords(const QList<Node> &nodes);
    // Takes the background images and shapes as a save stored them (image paths pointing at
    // the project's copies, identities assigned): no undo step, like adoptStoredRecords().
    void setSceneRecords(SceneRecords sceneRecords);
    // Runs change on the background images and shapes and keeps the records it changed, before
    // and after, as one undo step named text; nothing is pushed when nothing changed.
    // Returns whether something changed.
    bool editScene(const QString &text, const std::function<void(SceneRecords &)> &change);

Q_SIGNALS:
    void changed(const GraphChange &change);
    void reloaded();
    // The background images or shapes changed (an edit, its undo or redo, an adoption).
    void sceneChanged();
    void modifiedChanged(bool modified);

private:
    friend class GraphEditCommand;
    friend class SceneEditCommand;
    void push(const QString &text, const ChangeSet &changes);
    // Writes one side of a change set into the tables and reports it.
    void applySide(const ChangeSet &changes, bool after);

    Graph m_graph;
    SceneRecords m_sceneRecords;
    QString m_filePath;
    QUndoStack *m_undoStack = nullptr;
};
