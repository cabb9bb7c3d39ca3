#include "dialogs/filedropdialog.h"

#include "ops/nodecommands.h"
#include "ops/recordfilter.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

FileDropDialog::Kind guessKind(const QString &path)
{
    const QFileInfo info(path);
    if (info.suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) != 0)
        return FileDropDialog::Kind::Media;
    const QString name = info.completeBaseName().toLower();
    return name.contains(QStringLiteral("edge")) || name.contains(QStringLiteral("relation"))
               ? FileDropDialog::Kind::EdgesCsv
               : FileDropDialog::Kind::NodesCsv;
}

} // namespace

FileDropDialog::FileDropDialog(const QString &filePath, const Graph &graph, QWidget *parent)
    : QDialog(parent), m_filePath(filePath)
{
    setWindowTitle(QStringLiteral("Fichier déposé"));
    resize(480, 420);

    auto *fileLabel = new QLabel(QStringLiteral("Fichier : %1").arg(filePath), this);
    fileLabel->setWordWrap(true);
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("kindCombo"));
    m_kind->addItem(QStringLiteral("CSV de nœuds"), int(Kind::NodesCsv));
    m_kind->addItem(QStringLiteral("CSV de relations"), int(Kind::EdgesCsv));
    m_kind->addItem(QStringLiteral("Média à ajouter à des nœuds"), int(Kind::Media));

    m_mediaPanel = new QWidget(this);
    m_nodeType = new QComboBox(m_mediaPanel);
    m_nodeType->setObjectName(QStringLiteral("nodeTypeCombo"));
    m_nodeType->addItem(QStringLiteral("Tous les types"));
    QSet<QString> types;
    for (const Node &node : graph.nodes())
        types.insert(node.type);
    QStringList sortedTypes(types.cbegin(), types.cend());
    sortedTypes.sort(Qt::CaseInsensitive);
    for (const QString &type : std::as_const(sortedTypes))
        m_nodeType->addItem(type.isEmpty() ? QStringLiteral("(sans type)") : type, type);

    m_nodes = new QListWidget(m_mediaPanel);
    m_nodes->setObjectName(QStringLiteral("nodeList"));
    for (const QString &id : RecordFilter::nodeIds(graph, QString(), {})) {
        const Node &node = *graph.nodes().constFind(id);
        const QString name = NodeCommands::displayName(node);
        auto *item = new QListWidgetItem(
            node.type.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, node.type), m_nodes);
        item->setData(Qt::UserRole, id);
        item->setData(Qt::UserRole + 1, node.type);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }

    m_description = new QPlainTextEdit(m_mediaPanel);
    m_description->setObjectName(QStringLiteral("descriptionEdit"));
    m_description->setMaximumHeight(70);
    m_tags = new QLineEdit(m_mediaPanel);
    m_tags->setObjectName(QStringLiteral("tagsEdit"));
    m_tags->setPlaceholderText(QStringLiteral("#tag1 #tag2"));
    m_date = new QDateEdit(QDate::currentDate(), m_mediaPanel);
    m_date->setObjectName(QStringLiteral("dateEdit"));
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);
    m_author = new QLineEdit(m_mediaPanel);
    m_author->setObjectName(QStringLiteral("authorEdit"));

    auto *mediaForm = new QFormLayout(m_mediaPanel);
    mediaForm->setContentsMargins(0, 0, 0, 0);
    mediaForm->addRow(QStringLiteral("Type de nœud :"), m_nodeType);
    mediaForm->addRow(m_nodes);
    mediaForm->addRow(QStringLiteral("Description :"), m_description);
    mediaForm->addRow(QStringLiteral("Tags :"), m_tags);
    mediaForm->addRow(QStringLiteral("Date :"), m_date);
    mediaForm->addRow(QStringLiteral("Auteur / source :"), m_author);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fileLabel);
    layout->addWidget(m_kind);
    layout->addWidget(m_mediaPanel, 1);
    layout->addStretch(0);
    layout->addWidget(buttons);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &FileDropDialog::onTypeChanged);
    connect(m_nodeType, &QComboBox::currentIndexChanged, this, &FileDropDialog::onNodeTypeChanged);
    connect(m_nodes, &QListWidget::itemChanged, this, &FileDropDialog::onNodeItemChanged);
    m_kind->setCurrentIndex(m_kind->findData(int(guessKind(filePath))));
    onTypeChanged(m_kind->currentIndex());
}

FileDropDialog::Kind FileDropDialog::kind() const
{
    return Kind(m_kind->currentData().toInt());
}

QStringList FileDropDialog::checkedNodeIds() const
{
    QStringList ids;
    for (int i = 0; i < m_nodes->count(); ++i) {
        const QString id = m_nodes->item(i)->data(Qt::UserRole).toString();
        if (m_checked.contains(id))
            ids.append(id);
    }
    return ids;
}

MediaRecord FileDropDialog::media() const
{
    const QFileInfo info(m_filePath);
    MediaRecord media;
    media.name = info.fileName();
    media.file = info.absoluteFilePath();
    media.description = m_description->toPlainText();
    media.tags = m_tags->text().trimmed();
    media.date = m_date->date().startOfDay();
    media.author = m_author->text().trimmed();
    return media;
}

// The node list and media fields only matter for a media file.
void FileDropDialog::onTypeChanged(int)
{
    m_mediaPanel->setVisible(kind() == Kind::Media);
}

// Nodes of other types are hidden, not unchecked: a choice made under one filter stands.
void FileDropDialog::onNodeTypeChanged()
{
    const bool all = m_nodeType->currentIndex() <= 0;
    const QString type = m_nodeType->currentData().toString();
    for (int i = 0; i < m_nodes->count(); ++i) {
        QListWidgetItem *item = m_nodes->item(i);
        item->setHidden(!all && item->data(Qt::UserRole + 1).toString() != type);
    }
}

void FileDropDialog::onNodeItemChanged(QListWidgetItem *item)
{
    const QString id = item->data(Qt::UserRole).toString();
    if (item->checkState() == Qt::Checked)
        m_checked.insert(id);
    else
        m_checked.remove(id);
}
