#include "dialogs/dataqualitydialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

DataQualityDialog::DataQualityDialog(const QualityReport &report, QWidget *parent)
    : QDialog(parent), m_report(report)
{
    setWindowTitle(QStringLiteral("Qualité des données"));
    m_tree = new QTreeWidget;
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({QStringLiteral("Vérification"), QStringLiteral("Résultat")});
    m_tree->setAlternatingRowColors(true);
    m_tree->header()->setStretchLastSection(true);
    for (const QualitySection &section : m_report) {
        auto *sectionItem = new QTreeWidgetItem(m_tree, {section.title});
        QFont bold = sectionItem->font(0);
        bold.setBold(true);
        sectionItem->setFont(0, bold);
        for (const QualityRow &row : section.rows)
            new QTreeWidgetItem(sectionItem, {row.check, row.result});
    }
    m_tree->expandAll();
    m_tree->resizeColumnToContents(0);

    auto *copy = new QPushButton(QStringLiteral("Copier"));
    copy->setObjectName(QStringLiteral("copyButton"));
    connect(copy, &QPushButton::clicked, this, &DataQualityDialog::copyReport);
    auto *close = new QPushButton(QStringLiteral("Fermer"));
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addLayout(buttons);
    resize(640, 560);
}

void DataQualityDialog::copyReport()
{
    QGuiApplication::clipboard()->setText(DataQuality::toText(m_report));
}
