#include "dialogs/validityeditor.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>

ValidityEditor::ValidityEditor(const Validity &validity, QWidget *parent)
    : QWidget(parent), m_original(validity)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_start = addBound(QStringLiteral("Début"), validity.start, &m_startBox);
    m_end = addBound(QStringLiteral("Fin"), validity.end, &m_endBox);
    m_startBox->setObjectName(QStringLiteral("validityStartBox"));
    m_start->setObjectName(QStringLiteral("validityStart"));
    m_endBox->setObjectName(QStringLiteral("validityEndBox"));
    m_end->setObjectName(QStringLiteral("validityEnd"));
    layout->addWidget(m_startBox, 0, 0);
    layout->addWidget(m_start, 0, 1);
    layout->addWidget(m_endBox, 1, 0);
    layout->addWidget(m_end, 1, 1);
    layout->setColumnStretch(1, 1);
}

QDateTimeEdit *ValidityEditor::addBound(const QString &text, const QDateTime &value,
                                        QCheckBox **box)
{
    *box = new QCheckBox(text, this);
    (*box)->setChecked(value.isValid());
    auto *edit = new QDateTimeEdit(this);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setCalendarPopup(true);
    edit->setTimeSpec(Qt::LocalTime);
    edit->setAccelerated(true);
    edit->setDateTime(value.isValid() ? value.toLocalTime() : QDateTime::currentDateTime());
    edit->setEnabled(value.isValid());
    connect(*box, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    return edit;
}

// An untouched bound keeps the value it came with, offset included: the editor shows local
// time to the second only.
QDateTime ValidityEditor::boundValue(const QCheckBox *box, const QDateTimeEdit *edit,
                                     const QDateTime &original)
{
    if (!box->isChecked())
        return QDateTime();
    const QDateTime shown = edit->dateTime();
    if (original.isValid() && original.toLocalTime().toSecsSinceEpoch() == shown.toSecsSinceEpoch())
        return original;
    return shown;
}

Validity ValidityEditor::validity() const
{
    return {boundValue(m_startBox, m_start, m_original.start),
            boundValue(m_endBox, m_end, m_original.end)};
}
