#pragma once

#include <QColor>
#include <QDialog>

class Prompter;
class QCheckBox;
class QDoubleSpinBox;
class QFrame;

// Settings of the cross drawn through the scene origin: shown, line width and colour.
class CentreDialog : public QDialog
{
    Q_OBJECT

public:
    CentreDialog(Prompter &prompter, bool shown, double width, const QColor &color,
                 QWidget *parent = nullptr);

    bool centreShown() const;
    double lineWidth() const;
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

private:
    void chooseColor();

    Prompter &m_prompter;
    QCheckBox *m_shown = nullptr;
    QDoubleSpinBox *m_width = nullptr;
    QFrame *m_swatch = nullptr;
    QColor m_color;
};
