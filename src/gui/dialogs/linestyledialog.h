#pragma once

#include <QColor>
#include <QDialog>

class Prompter;
class QCheckBox;
class QDoubleSpinBox;
class QFormLayout;
class QFrame;

// The settings that the scene's guide lines share: shown, line width and colour. A guide
// with more settings adds its own rows below the check box.
class LineStyleDialog : public QDialog
{
    Q_OBJECT

public:
    double lineWidth() const;
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

protected:
    LineStyleDialog(Prompter &prompter, const QString &title, const QString &showText, bool shown,
                    double width, const QColor &color, QWidget *parent);

    bool lineShown() const;
    // Adds a row below the check box, in tab order too.
    void addSettingRow(const QString &label, QWidget *field);

private:
    void chooseColor();

    Prompter &m_prompter;
    QFormLayout *m_form = nullptr;
    QCheckBox *m_shown = nullptr;
    QDoubleSpinBox *m_width = nullptr;
    QFrame *m_swatch = nullptr;
    QColor m_color;
};
