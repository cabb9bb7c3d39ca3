#pragma once

#include "model/graph.h"

#include <QDialog>

class AttributeEditor;
class Prompter;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class ValidityEditor;

// The form of one node: every field of the record, its media files and attributes. It
// works on a copy and hands the edited node back through node() once accepted. The tab's
// nodes, when given, serve the duplicate-label check and the type and key suggestions.
class NodeEditDialog : public QDialog
{
    Q_OBJECT

public:
    NodeEditDialog(const Node &node, const Graph *graph, Prompter &prompter,
                   QWidget *parent = nullptr);

    Node node() const { return m_node; }

    // Types proposed by the "Type" drop-down besides those of the tab.
    static QStringList commonTypes();

public Q_SLOTS:
    void onBrowseMedia();
    void onChooseColor();
    void onPickResourceIcon();
    void onAddMedia();
    void onDelMedia();
    void onEditMedia();
    void onBrowseInvestigation();
    void onAccept();

protected:
    // A click on the colour swatch opens the colour chooser as the button does.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildMainFields();
    QWidget *buildGeolocation();
    QWidget *buildInvestigationLink();
    QWidget *buildMedias();
    void setColor(const QColor &color);
    // A table row for the media record of the same index.
    void appendMediaRow();
    void refreshMediaRow(int row);
    // Ids of the other nodes whose label equals this one, case and blanks aside.
    QStringList duplicateLabelIds(const QString &label) const;

    Node m_node;
    const Graph *m_graph = nullptr;
    Prompter &m_prompter;
    QList<MediaRecord> m_medias;
    QColor m_color;

    QLineEdit *m_label = nullptr;
    QCheckBox *m_showLabel = nullptr;
    QCheckBox *m_hypothesis = nullptr;
    QComboBox *m_type = nullptr;
    QComboBox *m_shape = nullptr;
    QComboBox *m_size = nullptr;
    QLabel *m_swatch = nullptr;
    QLineEdit *m_mediaPath = nullptr;
    QPlainTextEdit *m_description = nullptr;
    ValidityEditor *m_validity = nullptr;
    QCheckBox *m_anchored = nullptr;
    QCheckBox *m_geoBox = nullptr;
    QDoubleSpinBox *m_lat = nullptr;
    QDoubleSpinBox *m_lon = nullptr;
    QCheckBox *m_linkBox = nullptr;
    QLineEdit *m_linkPath = nullptr;
    QTableWidget *m_mediaTable = nullptr;
    AttributeEditor *m_attributes = nullptr;
};
