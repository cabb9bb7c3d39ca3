#pragma once

#include "dialogs/linestyledialog.h"

class QSpinBox;

// Settings of the background grid: shown, step, line width and colour.
class GridDialog : public LineStyleDialog
{
    Q_OBJECT

public:
    GridDialog(Prompter &prompter, int step, double width, const QColor &color,
               QWidget *parent = nullptr);

    bool gridShown() const { return lineShown(); }
    int step() const;

private:
    QSpinBox *m_step = nullptr;
};
