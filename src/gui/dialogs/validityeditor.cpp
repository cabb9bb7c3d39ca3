#include "dialogs/validityeditor.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>

#include <memory>

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
    // An unchecked bound shows a dash rather than a date that would read like real data: the
    // editor sits on its minimum, which it shows as the special text.
    edit->setSpecialValueText(QStringLiteral("—"));
    edit->setDateTime(value.isValid() ? value.toLocalTime() : edit->minimumDateTime());
    edit->setEnabled(value.isValid());
    // Checking the box again brings back the date shown before, or the current time.
    auto kept = std::make_shared<QDateTime>();
    connect(*box, &QCheckBox::toggled, edit, [edit, kept](bool checked) {
        edit->setEnabled(checked);
        if (!checked) {
            *kept = edit->dateTime();
            edit->setDateTime(edit->minimumDateTime());
        } else {
            edit->setDateTime(kept->isValid() ? *kept : QDateTime::currentDateTime());
        }
    });
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
