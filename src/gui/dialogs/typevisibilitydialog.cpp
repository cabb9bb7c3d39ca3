#include "dialogs/typevisibilitydialog.h"

#include "canvas/graphscene.h"
#include "ops/filterengine.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TypeVisibilityDialog::TypeVisibilityDialog(Kind kind, const Graph &graph, GraphScene &scene,
                                           QWidget *parent)
    : QDialog(parent), m_kind(kind), m_scene(scene)
{
    setWindowTitle(kind == NodeTypes ? QStringLiteral("Types de nœuds")
                                     : QStringLiteral("Types de relations"));
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    const QStringList types =
        kind == NodeTypes ? FilterEngine::nodeTypes(graph) : FilterEngine::edgeTypes(graph);
    const QSet<QString> &hidden = kind == NodeTypes ? scene.timeFilter().hiddenNodeTypes
                                                    : scene.timeFilter().hiddenRelationTypes;
    for (const QString &type : types) {
        auto *item = new QListWidgetItem(type.isEmpty() ? QStringLiteral("(sans type)") : type,
                                         m_list);
        item->setData(Qt::UserRole, type);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(hidden.contains(type) ? Qt::Unchecked : Qt::Checked);
    }

    auto *checkAllButton = new QPushButton(QStringLiteral("Tout cocher"), this);
    auto *uncheckAllButton = new QPushButton(QStringLiteral("Tout décocher"), this);
    auto *apply = new QPushButton(QStringLiteral("Appliquer"), this);
    apply->setObjectName(QStringLiteral("applyButton"));
    auto *row = new QHBoxLayout;
    row->addWidget(checkAllButton);
    row->addWidget(uncheckAllButton);
    row->addStretch(1);
    row->addWidget(apply);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(row);
    layout->addWidget(buttons);

    resize(340, 460);

    connect(m_list, &QListWidget::itemChanged, this, &TypeVisibilityDialog::onItemChanged);
    connect(checkAllButton, &QPushButton::clicked, this, &TypeVisibilityDialog::checkAll);
    connect(uncheckAllButton, &QPushButton::clicked, this, &TypeVisibilityDialog::uncheckAll);
    connect(apply, &QPushButton::clicked, this, &TypeVisibilityDialog::onApplyClicked_);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TypeVisibilityDialog::applyItem(const QListWidgetItem *item)
{
    const QString type = item->data(Qt::UserRole).toString();
    const bool hidden = item->checkState() != Qt::Checked;
    if (m_kind == NodeTypes)
        m_scene.setNodeTypeHidden(type, hidden);
    else
        m_scene.setRelationTypeHidden(type, hidden);
}

void TypeVisibilityDialog::onItemChanged(QListWidgetItem *item)
{
    if (item)
        applyItem(item);
}

void TypeVisibilityDialog::onApplyClicked_()
{
    m_scene.beginVisibilityBatch();
    for (int row = 0; row < m_list->count(); ++row)
        applyItem(m_list->item(row));
    m_scene.endVisibilityBatch();
}

// The boxes change together; the scene follows them once.
void TypeVisibilityDialog::setAllChecked(bool checked)
{
    {
        const QSignalBlocker blocker(m_list);
        for (int row = 0; row < m_list->count(); ++row)
            m_list->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    onApplyClicked_();
}

void TypeVisibilityDialog::checkAll()
{
    setAllChecked(true);
}

void TypeVisibilityDialog::uncheckAll()
{
    setAllChecked(false);
}
