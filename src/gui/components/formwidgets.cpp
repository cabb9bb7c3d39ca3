#include "components/formwidgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

namespace FormWidgets {

QSpinBox *spinBox(QWidget *parent, const QString &name, int min, int max, int step, int value)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(min, max);
    box->setSingleStep(step);
    box->setValue(value);
    return box;
}

QDoubleSpinBox *decimalBox(QWidget *parent, const QString &name, double min, double max,
                           int decimals, double value)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setDecimals(decimals);
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &text, bool checked)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name, const QString &text,
                    const QString &placeholder)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace FormWidgets
