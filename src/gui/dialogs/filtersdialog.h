#pragma once

#include "ops/filterengine.h"

#include <QDialog>

class MultiCheckComboBox;
class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QSlider;

// "Filtres simples": text, period and type criteria over a tab's graph, and whether what does
// not match is greyed or hidden. Accepting copies the widgets into filterState(); the main
// window runs the filter engine on it and applies the result.
class FiltersDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FiltersDialog(const Graph &graph, QWidget *parent = nullptr);

    FilterState filterState() const { return m_state; }

    // The widgets, for tests and for the analyst's scripts.
    QCheckBox *textEnabledBox() const { return m_textEnabled; }
    QLineEdit *queryEdit() const { return m_query; }
    QCheckBox *periodEnabledBox() const { return m_periodEnabled; }
    QDateTimeEdit *periodStartEdit() const { return m_periodStart; }
    QDateTimeEdit *periodEndEdit() const { return m_periodEnd; }
    QCheckBox *includeUndeterminedBox() const { return m_includeUndetermined; }
    MultiCheckComboBox *nodeTypesBox() const { return m_nodeTypes; }
    MultiCheckComboBox *relationTypesBox() const { return m_relationTypes; }
    QCheckBox *dimBox() const { return m_dim; }
    QSlider *opacitySlider() const { return m_opacity; }
    QLabel *opacityLabel() const { return m_opacityLabel; }

public Q_SLOTS:
    void accept() override;

private:
    void onOpacityChanged(int value);
    void onDimToggled(bool dim);

    FilterState m_state;
    QCheckBox *m_textEnabled = nullptr;
    QLineEdit *m_query = nullptr;
    QCheckBox *m_periodEnabled = nullptr;
    QDateTimeEdit *m_periodStart = nullptr;
    QDateTimeEdit *m_periodEnd = nullptr;
    QCheckBox *m_includeUndetermined = nullptr;
    MultiCheckComboBox *m_nodeTypes = nullptr;
    MultiCheckComboBox *m_relationTypes = nullptr;
    QCheckBox *m_dim = nullptr;
    QSlider *m_opacity = nullptr;
    QLabel *m_opacityLabel = nullptr;
};
