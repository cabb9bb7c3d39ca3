#include "dialogs/mediaviewdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

MediaViewDialog::MediaViewDialog(const MediaRecord &record, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Description — %1").arg(record.name));
    resize(520, 360);

    auto *description = new QPlainTextEdit(this);
    description->setObjectName(QStringLiteral("descriptionView"));
    description->setReadOnly(true);
    description->setPlainText(record.description.isEmpty() ? QStringLiteral("(non renseignée)")
                                                           : record.description);

    const auto escaped = [](const QString &text) { return text.toHtmlEscaped(); };
    auto *summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summaryLabel"));
    summary->setTextFormat(Qt::RichText);
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary->setText(QStringLiteral("<b>Fichier :</b> %1<br/><b>Tags :</b> %2<br/><b>Date :</b> "
                                    "%3<br/><b>Auteur :</b> %4<br/><b>SHA256 :</b> "
                                    "<code>%5</code>")
                         .arg(escaped(record.file), escaped(record.tags),
                              escaped(record.date.toString(Qt::ISODate)),
                              escaped(record.author), escaped(record.sha256)));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(description, 1);
    layout->addWidget(summary);
    layout->addWidget(buttons);
}
