#pragma once

#include "model/scenerecords.h"

#include <QDialog>

class Prompter;
class QCheckBox;
class QDoubleSpinBox;
class QFrame;
class QLineEdit;
class QSpinBox;

// Every setting of one background picture; result() is the record with the values entered.
class MapEditDialog : public QDialog
{
    Q_OBJECT

public:
    MapEditDialog(const MapRecord &record, Prompter &prompter, QWidget *parent = nullptr);

    MapRecord result() const { return m_result; }

public Q_SLOTS:
    void onAccept();

private:
    void browse();
    void pickGridColor();
    void setGridColor(const QColor &color);

    Prompter &m_prompter;
    MapRecord m_result;
    QColor m_gridColor;
    QLineEdit *m_path = nullptr;
    QCheckBox *m_anchored = nullptr;
    QCheckBox *m_grid = nullptr;
    QLineEdit *m_uuid = nullptr;
    QLineEdit *m_label = nullptr;
    QLineEdit *m_description = nullptr;
    QSpinBox *m_gridStep = nullptr;
    QDoubleSpinBox *m_gridWidth = nullptr;
    QFrame *m_swatch = nullptr;
    QDoubleSpinBox *m_width = nullptr;
    QDoubleSpinBox *m_height = nullptr;
    QDoubleSpinBox *m_rotation = nullptr;
};
