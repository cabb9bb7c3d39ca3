#include "ai/aichangesdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

AiChangesDialog::AiChangesDialog(const QString &summary, QWidget *parent)
    : QDialog(parent)
    , m_summary(summary)
{
    setWindowTitle(QStringLiteral("Appliquer les changements proposés par l'IA ?"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("L'IA propose les changements suivants sur le graphe :"), this));
    auto *text = new QPlainTextEdit(summary, this);
    text->setObjectName(QStringLiteral("summaryText"));
    text->setReadOnly(true);
    layout->addWidget(text, 1);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *apply = buttons->addButton(QStringLiteral("Appliquer"), QDialogButtonBox::AcceptRole);
    apply->setObjectName(QStringLiteral("applyButton"));
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 360);
}
