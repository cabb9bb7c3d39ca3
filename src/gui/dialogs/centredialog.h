#pragma once

#include "dialogs/linestyledialog.h"

// Settings of the cross drawn through the scene origin: shown, line width and colour.
class CentreDialog : public LineStyleDialog
{
    Q_OBJECT

public:
    CentreDialog(Prompter &prompter, bool shown, double width, const QColor &color,
                 QWidget *parent = nullptr);

    bool centreShown() const { return lineShown(); }
};
