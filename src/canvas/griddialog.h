#pragma once

#include <QColor>
#include <QDialog>

class Prompter;
class QCheckBox;
class QDoubleSpinBox;
class QFrame;
class QSpinBox;

// Settings of the background grid: shown, step, line width and colour.
class GridDialog : public QDialog
{
    Q_OBJECT

public:
    GridDialog(Prompter &prompter, int step, double width, const QColor &color,
               QWidget *parent = nullptr);

    bool gridShown() const;
    int step() const;
    double lineWidth() const;
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

private:
    void chooseColor();

    Prompter &m_prompter;
    QCheckBox *m_shown = nullptr;
    QSpinBox *m_step = nullptr;
    QDoubleSpinBox *m_width = nullptr;
    QFrame *m_swatch = nullptr;
    QColor m_color;
};
