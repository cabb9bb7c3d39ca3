#pragma once

#include <QDialog>
#include <QStringList>

class QGraphicsScene;
class QLabel;
class QPlainTextEdit;

namespace ComponentUtils {

// Ids of the selected node (or relation) items of a scene, in the scene's order; empty
// without a scene.
QStringList selectedNodeIds(const QGraphicsScene *scene);
QStringList selectedEdgeIds(const QGraphicsScene *scene);
// Whether a node item is selected; stops at the first one found.
bool hasSelectedNode(const QGraphicsScene *scene);

// Shows a run's progress: a busy bar, a status line, the log and a cancel button. Not
// modal: the canvas stays usable while the run waits for services.
class ComponentProgressDialog : public QDialog
{
    Q_OBJECT

public:
    ComponentProgressDialog(const QString &title, bool withLog, bool withCancel,
                            QWidget *parent = nullptr);

    void setStatus(const QString &text);
    void appendLog(const QString &line);
    void setProgress(int index, int total, const QString &prefix, const QString &detail);
    bool isCancelled() const { return m_cancelled; }
    QString status() const;
    QString logText() const;

public Q_SLOTS:
    void onCancel();
    // Escape and the window's close button ask for a cancel as the button does.
    void reject() override;

private:
    QLabel *m_status = nullptr;
    QPlainTextEdit *m_log = nullptr;
    bool m_cancelled = false;
};

} // namespace ComponentUtils
