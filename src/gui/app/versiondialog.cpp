#include "app/versiondialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

VersionDialog::VersionDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Version"));
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("<h2>Orvane</h2>"), this);
    auto *version = new QLabel(QStringLiteral("Version %1").arg(versionText()), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    auto *built = new QLabel(QStringLiteral("Compilé le %1").arg(buildDateText()), this);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *close = buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::AcceptRole);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    for (QWidget *widget : {static_cast<QWidget *>(title), static_cast<QWidget *>(version),
                            static_cast<QWidget *>(built), static_cast<QWidget *>(buttons)})
        layout->addWidget(widget);
}

QString VersionDialog::versionText()
{
    return QStringLiteral(ORVANE_VERSION);
}

QString VersionDialog::buildDateText()
{
    return QStringLiteral(ORVANE_BUILD_DATE) + QStringLiteral(" UTC");
}
