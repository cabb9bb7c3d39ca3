#pragma once

#include <QDialog>

// Shows the changes the assistant proposes and lets the analyst apply or refuse them.
class AiChangesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AiChangesDialog(const QString &summary, QWidget *parent = nullptr);

    QString summary() const { return m_summary; }

private:
    QString m_summary;
};
