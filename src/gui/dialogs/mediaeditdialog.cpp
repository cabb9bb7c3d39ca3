#include "dialogs/mediaeditdialog.h"

#include "app/prompter.h"
#include "ops/mediafiles.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDateTime noDate()
{
    return QDateTime(QDate(1900, 1, 1), QTime(0, 0));
}

} // namespace

MediaEditDialog::MediaEditDialog(const MediaRecord &record, const QString &projectFolder,
                                 Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_record(record), m_projectFolder(projectFolder), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Éditer le média"));
    resize(520, 380);
    const auto lineEdit = [this](const QString &name, const QString &text) {
        auto *edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        return edit;
    };
    m_name = lineEdit(QStringLiteral("nameEdit"), record.name);
    m_file = lineEdit(QStringLiteral("fileEdit"), record.file);
    m_description = new QPlainTextEdit(record.description, this);
    m_description->setObjectName(QStringLiteral("descriptionEdit"));
    m_tags = lineEdit(QStringLiteral("tagsEdit"), record.tags);
    m_date = new QDateTimeEdit(this);
    m_date->setObjectName(QStringLiteral("dateEdit"));
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
    m_date->setCalendarPopup(true);
    // The editor's lowest value stands for "no date", so that a record without one keeps
    // none unless the analyst sets it.
    m_date->setMinimumDateTime(noDate());
    m_date->setSpecialValueText(QStringLiteral("(aucune)"));
    m_date->setDateTime(record.date.isValid() ? record.date : noDate());
    m_author = lineEdit(QStringLiteral("authorEdit"), record.author);
    m_sha256 = lineEdit(QStringLiteral("sha256Edit"), record.sha256);

    auto *browse = new QPushButton(QStringLiteral("…"), this);
    browse->setToolTip(QStringLiteral("Choisir un fichier média"));
    connect(browse, &QPushButton::clicked, this, &MediaEditDialog::onBrowse);
    connect(m_file, &QLineEdit::textChanged, this, &MediaEditDialog::onFileChanged);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Nom :"), m_name);
    form->addRow(QStringLiteral("Fichier :"), fileRow);
    form->addRow(QStringLiteral("Description :"), m_description);
    form->addRow(QStringLiteral("Tags (#séparés par des espaces) :"), m_tags);
    form->addRow(QStringLiteral("Date :"), m_date);
    form->addRow(QStringLiteral("Auteur :"), m_author);
    form->addRow(QStringLiteral("SHA256 :"), m_sha256);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &MediaEditDialog::onAccepted);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void MediaEditDialog::onBrowse()
{
    const QString path = m_prompter.openFileName(this, QStringLiteral("Choisir un fichier média"),
                                                 QString(), QString());
    if (!path.isEmpty())
        m_file->setText(path);
}

void MediaEditDialog::onFileChanged(const QString &path)
{
    m_sha256->setText(
        MediaFiles::sha256Hex(MediaFiles::absolutePath(path.trimmed(), m_projectFolder)));
}

void MediaEditDialog::onAccepted()
{
    m_record.name = m_name->text();
    m_record.file = m_file->text();
    m_record.description = m_description->toPlainText();
    m_record.tags = m_tags->text();
    m_record.author = m_author->text();
    m_record.sha256 = m_sha256->text();
    const QDateTime date = m_date->dateTime();
    m_record.date = date.isValid() && date != noDate() ? date : QDateTime();
    accept();
}
