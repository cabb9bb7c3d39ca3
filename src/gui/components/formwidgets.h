#pragma once

#include <QString>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QWidget;

// Named fields of the component dialogs; the names let tests and style sheets find them.
namespace FormWidgets {

QSpinBox *spinBox(QWidget *parent, const QString &name, int min, int max, int step, int value);
QDoubleSpinBox *decimalBox(QWidget *parent, const QString &name, double min, double max,
                           int decimals, double value);
QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &text, bool checked);
QLineEdit *lineEdit(QWidget *parent, const QString &name, const QString &text,
                    const QString &placeholder = QString());

} // namespace FormWidgets
