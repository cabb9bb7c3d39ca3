#pragma once

#include "ops/timefilter.h"

#include <QDialog>

class Prompter;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QFrame;
class QSpinBox;

// "Editer la timeline": scale, links and axis of the timeline band. Opens with the band's
// current settings; settings() gives what the analyst chose.
class TimelineEditDialog : public QDialog
{
    Q_OBJECT

public:
    TimelineEditDialog(Prompter &prompter, const TimelineSettings &settings,
                       QWidget *parent = nullptr);

    TimelineSettings settings() const;

    void setLinkColor(const QColor &color);
    void setAxisColor(const QColor &color);

private:
    QFrame *addColorRow(QFormLayout *form, const QString &label,
                        void (TimelineEditDialog::*choose)());
    void chooseLinkColor();
    void chooseAxisColor();

    Prompter &m_prompter;
    QDoubleSpinBox *m_pixelsPerDay = nullptr;
    QDoubleSpinBox *m_linkWidth = nullptr;
    QComboBox *m_linkStyle = nullptr;
    QFrame *m_linkSwatch = nullptr;
    QFrame *m_axisSwatch = nullptr;
    QDoubleSpinBox *m_axisThickness = nullptr;
    QSpinBox *m_dayFontSize = nullptr;
    QColor m_linkColor;
    QColor m_axisColor;
};
