#pragma once

#include "model/graph.h"

#include <QDialog>
#include <QSet>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QWidget;

// Asks what a file dropped on the canvas is: nodes or relations to import from CSV, or a
// media file to attach to chosen nodes of the tab.
class FileDropDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { NodesCsv, EdgesCsv, Media };

    // The kind first offered follows the file: CSV files are read as nodes (as relations
    // when the name speaks of edges or relations), anything else is a media file.
    FileDropDialog(const QString &filePath, const Graph &graph, QWidget *parent = nullptr);

    Kind kind() const;
    // Checked nodes, in list order.
    QStringList checkedNodeIds() const;
    // The media record to attach: the dropped file under its absolute path and its name,
    // with the fields typed in the dialog.
    MediaRecord media() const;

public Q_SLOTS:
    void onTypeChanged(int index);
    void onNodeTypeChanged();
    void onNodeItemChanged(QListWidgetItem *item);

private:
    QString m_filePath;
    QSet<QString> m_checked;

    QComboBox *m_kind = nullptr;
    QWidget *m_mediaPanel = nullptr;
    QComboBox *m_nodeType = nullptr;
    QListWidget *m_nodes = nullptr;
    QPlainTextEdit *m_description = nullptr;
    QLineEdit *m_tags = nullptr;
    QDateEdit *m_date = nullptr;
    QLineEdit *m_author = nullptr;
};
