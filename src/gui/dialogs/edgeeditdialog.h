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
class QListWidget;
class QPlainTextEdit;
class ValidityEditor;

// The form of one relation. It works on a copy and hands the edited relation back through
// edge() once accepted. When creating relations from a source to several nodes, the
// destination is a checklist of the candidates and targets() answers those checked.
class EdgeEditDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { Edit, CreateToTargets };

    // candidateIds and candidateNames are in the same order; the tab's graph, when given,
    // suggests types and keys.
    EdgeEditDialog(const Edge &edge, const QStringList &candidateIds,
                   const QStringList &candidateNames, const Graph *graph, Prompter &prompter,
                   QWidget *parent = nullptr, Mode mode = Mode::Edit);

    Edge edge() const { return m_edge; }
    // The destination of the edited relation, or the checked candidates when creating.
    QStringList targets() const { return m_targets; }

public Q_SLOTS:
    void onChooseColor();

private:
    QComboBox *endCombo(const QString &name, const QStringList &ids, const QStringList &names,
                        const QString &current);
    void setColor(const QColor &color);
    void onAccepted();

    Edge m_edge;
    Prompter &m_prompter;
    QStringList m_targets;
    QColor m_color;

    QComboBox *m_source = nullptr;
    QComboBox *m_destination = nullptr;
    QListWidget *m_targetList = nullptr;
    QLineEdit *m_label = nullptr;
    QCheckBox *m_showLabel = nullptr;
    QCheckBox *m_hypothesis = nullptr;
    QComboBox *m_type = nullptr;
    QComboBox *m_direction = nullptr;
    QLabel *m_swatch = nullptr;
    QDoubleSpinBox *m_width = nullptr;
    QPlainTextEdit *m_description = nullptr;
    ValidityEditor *m_validity = nullptr;
    AttributeEditor *m_attributes = nullptr;
};
