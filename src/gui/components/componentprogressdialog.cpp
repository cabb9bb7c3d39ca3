#include "components/componentprogressdialog.h"

#include "canvas/edgeitem.h"
#include "canvas/nodeitem.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QVBoxLayout>

namespace ComponentUtils {

QStringList selectedNodeIds(const QGraphicsScene *scene)
{
    QStringList ids;
    if (!scene)
        return ids;
    for (QGraphicsItem *item : scene->selectedItems()) {
        if (const auto *node = qgraphicsitem_cast<NodeItem *>(item))
            ids.append(node->id());
    }
    return ids;
}

bool hasSelectedNode(const QGraphicsScene *scene)
{
    if (!scene)
        return false;
    const QList<QGraphicsItem *> selected = scene->selectedItems();
    return std::any_of(selected.cbegin(), selected.cend(), [](const QGraphicsItem *item) {
        return item->type() == NodeItem::Type;
    });
}

QStringList selectedEdgeIds(const QGraphicsScene *scene)
{
    QStringList ids;
    if (!scene)
        return ids;
    for (QGraphicsItem *item : scene->selectedItems()) {
        if (const auto *edge = qgraphicsitem_cast<EdgeItem *>(item))
            ids.append(edge->id());
    }
    return ids;
}

ComponentProgressDialog::ComponentProgressDialog(const QString &title, bool withLog,
                                                 bool withCancel, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    auto *busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setFixedWidth(120);
    m_status = new QLabel(QStringLiteral("Initialisation…"), this);
    m_status->setTextFormat(Qt::PlainText);
    row->addWidget(busy);
    row->addWidget(m_status, 1);
    layout->addLayout(row);
    if (withLog) {
        m_log = new QPlainTextEdit(this);
        m_log->setReadOnly(true);
        m_log->setMinimumHeight(140);
        layout->addWidget(m_log, 1);
    }
    if (withCancel) {
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::rejected, this, &ComponentProgressDialog::onCancel);
        layout->addWidget(buttons);
    }
    resize(560, withLog ? 340 : 160);
}

void ComponentProgressDialog::setStatus(const QString &text)
{
    m_status->setText(text);
    QCoreApplication::processEvents();
}

void ComponentProgressDialog::appendLog(const QString &line)
{
    if (m_log) {
        m_log->appendPlainText(line);
        m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
    }
    QCoreApplication::processEvents();
}

void ComponentProgressDialog::setProgress(int index, int total, const QString &prefix,
                                          const QString &detail)
{
    QString text = prefix.isEmpty() ? QStringLiteral("Traitement…") : prefix;
    if (total >= 1)
        text = QStringLiteral("%1 %2/%3").arg(text).arg(index).arg(total);
    if (!detail.isEmpty())
        text += QStringLiteral(" — %1").arg(detail);
    setStatus(text);
}

QString ComponentProgressDialog::status() const
{
    return m_status->text();
}

QString ComponentProgressDialog::logText() const
{
    return m_log ? m_log->toPlainText() : QString();
}

void ComponentProgressDialog::onCancel()
{
    m_cancelled = true;
    setStatus(QStringLiteral("Annulation demandée…"));
}

void ComponentProgressDialog::reject()
{
    onCancel();
}

} // namespace ComponentUtils
