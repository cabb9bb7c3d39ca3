#include "dialogs/recordlistdialog.h"

#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "dialogs/pagebar.h"

#include <QComboBox>
#include <QGraphicsColorizeEffect>
#include <QGraphicsObject>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVariantAnimation>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Item data keys of a flash in progress: the z value to restore and the serial of the
// latest flash, so that overlapping flashes restore the item once, at the end of the last.
constexpr int kFlashBaseZ = 0x4f52;
constexpr int kFlashSerial = 0x4f53;

// The scale at which a record opened from the list is shown at the least: labels read.
constexpr double readableScale = 1.0;

} // namespace

RecordListDialog::RecordListDialog(const Graph &graph, GraphScene *scene, Prompter &prompter,
                                   const QStringList &restrictTo, QWidget *parent)
    : QDialog(parent), m_graph(graph), m_scene(scene), m_prompter(prompter),
      m_restrictTo(restrictTo)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    resize(960, 560);
    // The tables belong to the tab: once its scene is gone the list has nothing to show.
    if (scene)
        connect(scene, &QObject::destroyed, this, &QWidget::close);
}

void RecordListDialog::setUp(const QString &title, const QStringList &headers,
                             const QList<ColumnChoice> &choices)
{
    setWindowTitle(title);
    m_choices = choices;

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("searchEdit"));
    m_search->setPlaceholderText(QStringLiteral("Rechercher dans les labels…"));
    m_search->setClearButtonEnabled(true);
    m_column = new QComboBox(this);
    m_column->setObjectName(QStringLiteral("columnCombo"));
    for (const ColumnChoice &choice : choices)
        m_column->addItem(choice.text);
    m_pager = new PageBar(QStringLiteral("élément(s)"), 200, 5000, this);
    auto *remove = new QPushButton(QStringLiteral("Supprimer la sélection"), this);
    remove->setObjectName(QStringLiteral("deleteSelectionButton"));

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Recherche:"), this));
    top->addWidget(m_search, 1);
    top->addWidget(new QLabel(QStringLiteral("Colonne:"), this));
    top->addWidget(m_column);
    auto *paging = new QHBoxLayout;
    paging->addWidget(m_pager);
    paging->addStretch(1);

    m_table = new QTableWidget(0, int(headers.size()) + 2, this);
    m_table->setObjectName(QStringLiteral("recordTable"));
    m_table->setHorizontalHeaderLabels(QStringList{QStringLiteral("✓"), QStringLiteral("ID")}
                                       + headers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    for (int column = 1; column < m_table->columnCount(); ++column)
        m_table->setColumnWidth(column, column == 2 ? 200 : column == 1 ? 130 : 90);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(remove);
    bottom->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(paging);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);

    connect(m_search, &QLineEdit::textChanged, this, &RecordListDialog::onSearchChanged);
    connect(m_column, &QComboBox::currentIndexChanged, this,
            &RecordListDialog::onFilterColumnChanged);
    connect(m_pager, &PageBar::pageChanged, this, &RecordListDialog::showPage);
    connect(m_table, &QTableWidget::itemChanged, this, &RecordListDialog::onTableItemChanged);
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            &RecordListDialog::onCellDoubleClicked);
    connect(remove, &QPushButton::clicked, this, &RecordListDialog::onDeleteSelected);
    refilter();
}

void RecordListDialog::applyFilter(const QString &text, bool searchInAttrs)
{
    const QList<RecordFilter::Field> wanted =
        searchInAttrs ? QList{RecordFilter::Field::Label, RecordFilter::Field::Attributes}
                      : QList{RecordFilter::Field::Label};
    for (int i = 0; i < m_choices.size(); ++i) {
        if (m_choices.at(i).fields == wanted) {
            const QSignalBlocker blocker(m_column);
            m_column->setCurrentIndex(i);
        }
    }
    const QSignalBlocker blocker(m_search);
    m_search->setText(text);
    refilter();
}

void RecordListDialog::applyFilter(const QString &text, RecordFilter::Field field)
{
    for (int i = 0; i < m_choices.size(); ++i) {
        if (m_choices.at(i).fields == QList{field}) {
            const QSignalBlocker blocker(m_column);
            m_column->setCurrentIndex(i);
        }
    }
    const QSignalBlocker blocker(m_search);
    m_search->setText(text);
    refilter();
}

void RecordListDialog::onSearchChanged(const QString &)
{
    refilter();
}

void RecordListDialog::onFilterColumnChanged(int)
{
    refilter();
}

void RecordListDialog::onTableItemChanged(QTableWidgetItem *item)
{
    if (m_filling || !item || item->column() != 0)
        return;
    const QString id = item->data(Qt::UserRole).toString();
    const bool checked = item->checkState() == Qt::Checked;
    if (checked)
        m_checked.insert(id);
    else
        m_checked.remove(id);
    findOnCanvas(id, checked);
}

void RecordListDialog::onDeleteSelected()
{
    QStringList ids;
    for (const QString &id : std::as_const(m_ids)) {
        if (m_checked.contains(id))
            ids.append(id);
    }
    if (ids.isEmpty())
        return;
    Q_EMIT requestDelete(ids);
    // The receiver may have asked first and been told no: only records now gone leave.
    for (const QString &id : std::as_const(ids)) {
        if (!cells(id).isEmpty())
            continue;
        m_ids.removeOne(id);
        m_checked.remove(id);
    }
    m_pager->setTotal(int(m_ids.size()));
}

// The record is shown where it is on the canvas, alone in the selection, before its form
// opens over it.
void RecordListDialog::onCellDoubleClicked(int row, int column)
{
    const QTableWidgetItem *check = m_table->item(row, 0);
    if (column == 0 || !check)
        return;
    const QString id = check->data(Qt::UserRole).toString();
    if (QGraphicsObject *item = canvasItem(id)) {
        m_scene->clearSelection();
        item->setSelected(true);
        // Zoomed far out, as a large graph fitted in the window is, the record would stay a
        // dot: the view comes close enough to read it.
        auto *view = m_scene->views().isEmpty()
            ? nullptr
            : qobject_cast<GraphView *>(m_scene->views().constFirst());
        if (view && view->transform().m11() < readableScale)
            view->zoomBySteps(std::log(readableScale / view->transform().m11()) / std::log(1.15));
        centreOn(item);
    }
    editRecord(id);
}

void RecordListDialog::refreshRow(const QString &id)
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QTableWidgetItem *check = m_table->item(row, 0);
        if (!check || check->data(Qt::UserRole).toString() != id)
            continue;
        const QStringList values = cells(id);
        m_filling = true;
        for (int c = 0; c < values.size(); ++c)
            m_table->item(row, c + 2)->setText(values.at(c));
        m_filling = false;
    }
}

void RecordListDialog::refilter()
{
    const int index = m_column->currentIndex();
    const QList<RecordFilter::Field> fields =
        index >= 0 ? m_choices.at(index).fields : QList<RecordFilter::Field>();
    m_ids = matchingIds(m_search->text(), fields, m_restrictTo);
    m_pager->restart(int(m_ids.size()));
}

void RecordListDialog::showPage()
{
    const int first = m_pager->firstRow();
    const int count = m_pager->rowsOnPage();
    m_filling = true;
    m_table->setRowCount(count);
    for (int r = 0; r < count; ++r) {
        const QString &id = m_ids.at(first + r);
        auto *check = new QTableWidgetItem;
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setCheckState(m_checked.contains(id) ? Qt::Checked : Qt::Unchecked);
        check->setData(Qt::UserRole, id);
        m_table->setItem(r, 0, check);
        m_table->setItem(r, 1, new QTableWidgetItem(id));
        const QStringList values = cells(id);
        for (int c = 0; c + 2 < m_table->columnCount(); ++c)
            m_table->setItem(r, c + 2, new QTableWidgetItem(values.value(c)));
    }
    m_filling = false;
}

void RecordListDialog::findOnCanvas(const QString &id, bool checked)
{
    QGraphicsObject *item = canvasItem(id);
    if (!item)
        return;
    item->setSelected(checked);
    if (!checked)
        return;
    centreOn(item);
    flash(item);
}

void RecordListDialog::centreOn(QGraphicsObject *item)
{
    if (!m_scene || m_scene->views().isEmpty())
        return;
    QPointer<QGraphicsView> view = m_scene->views().constFirst();
    auto *animation = new QVariantAnimation(this);
    animation->setDuration(350);
    animation->setStartValue(view->mapToScene(view->viewport()->rect().center()));
    animation->setEndValue(item->sceneBoundingRect().center());
    connect(animation, &QVariantAnimation::valueChanged, this, [view](const QVariant &value) {
        if (view)
            view->centerOn(value.toPointF());
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void RecordListDialog::flash(QGraphicsObject *item)
{
    QPointer<QGraphicsObject> guard(item);
    const double baseZ =
        item->data(kFlashBaseZ).isValid() ? item->data(kFlashBaseZ).toDouble() : item->zValue();
    const int serial = item->data(kFlashSerial).toInt() + 1;
    item->setData(kFlashBaseZ, baseZ);
    item->setData(kFlashSerial, serial);
    item->setZValue(baseZ + 10000);
    auto *effect = new QGraphicsColorizeEffect;
    effect->setColor(Qt::yellow);
    effect->setStrength(0.0);
    item->setGraphicsEffect(effect);

    auto *animation = new QVariantAnimation(this);
    animation->setDuration(900);
    animation->setStartValue(0.0);
    animation->setKeyValueAt(0.5, 1.0);
    animation->setEndValue(0.0);
    connect(animation, &QVariantAnimation::valueChanged, this, [guard](const QVariant &value) {
        if (!guard)
            return;
        if (auto *colorize = qobject_cast<QGraphicsColorizeEffect *>(guard->graphicsEffect()))
            colorize->setStrength(value.toDouble());
    });
    connect(animation, &QVariantAnimation::finished, this, [guard, serial, baseZ]() {
        if (!guard || guard->data(kFlashSerial).toInt() != serial)
            return;
        guard->setZValue(baseZ);
        guard->setData(kFlashBaseZ, QVariant());
        guard->setGraphicsEffect(nullptr);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
