#pragma once

#include "model/node.h"

#include <QDialog>

class Prompter;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;

// The sheet of one media record. The digest follows the file field: it is recomputed
// whenever the field names a readable file and cleared otherwise. A relative path is read
// from the project folder.
class MediaEditDialog : public QDialog
{
    Q_OBJECT

public:
    MediaEditDialog(const MediaRecord &record, const QString &projectFolder, Prompter &prompter,
                    QWidget *parent = nullptr);

    MediaRecord record() const { return m_record; }

private:
    void onBrowse();
    void onFileChanged(const QString &path);
    void onAccepted();

    MediaRecord m_record;
    QString m_projectFolder;
    Prompter &m_prompter;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_file = nullptr;
    QPlainTextEdit *m_description = nullptr;
    QLineEdit *m_tags = nullptr;
    QDateTimeEdit *m_date = nullptr;
    QLineEdit *m_author = nullptr;
    QLineEdit *m_sha256 = nullptr;
};
