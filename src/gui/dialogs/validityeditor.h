#pragma once

#include "model/node.h"

#include <QWidget>

class QCheckBox;
class QDateTimeEdit;

// "Début" and "Fin" of a validity period: each bound is kept only while its box is
// checked, whatever its editor shows.
class ValidityEditor : public QWidget
{
    Q_OBJECT

public:
    explicit ValidityEditor(const Validity &validity, QWidget *parent = nullptr);

    Validity validity() const;

private:
    QDateTimeEdit *addBound(const QString &text, const QDateTime &value, QCheckBox **box);
    static QDateTime boundValue(const QCheckBox *box, const QDateTimeEdit *edit,
                                const QDateTime &original);

    Validity m_original;
    QCheckBox *m_startBox = nullptr;
    QDateTimeEdit *m_start = nullptr;
    QCheckBox *m_endBox = nullptr;
    QDateTimeEdit *m_end = nullptr;
};
