#include "dialogs/multicheckcombobox.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace {

constexpr int TextRole = Qt::UserRole + 1;

} // namespace

MultiCheckComboBox::MultiCheckComboBox(QWidget *parent) : QComboBox(parent)
{
    m_model = new QStandardItemModel(this);
    setModel(m_model);
    // The default delegate draws the list like a menu, with a mark on the current item only
    // and no check boxes.
    setItemDelegate(new QStyledItemDelegate(this));
    view()->viewport()->installEventFilter(this);
    connect(m_model, &QStandardItemModel::itemChanged, this, &MultiCheckComboBox::onItemChanged);
}

void MultiCheckComboBox::setItems(const QStringList &items)
{
    const QSignalBlocker blocker(m_model);
    m_model->clear();
    for (const QString &text : items) {
        auto *item = new QStandardItem(text.isEmpty() ? QStringLiteral("(sans type)") : text);
        item->setData(text, TextRole);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        m_model->appendRow(item);
    }
    update();
}

QStringList MultiCheckComboBox::items() const
{
    QStringList texts;
    for (int row = 0; row < m_model->rowCount(); ++row)
        texts.append(m_model->item(row)->data(TextRole).toString());
    return texts;
}

void MultiCheckComboBox::setChecked(const QString &text, bool checked)
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        QStandardItem *item = m_model->item(row);
        if (item->data(TextRole).toString() == text)
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void MultiCheckComboBox::setAllChecked(bool checked)
{
    for (int row = 0; row < m_model->rowCount(); ++row)
        m_model->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

QStringList MultiCheckComboBox::checkedItems() const
{
    QStringList texts;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QStandardItem *item = m_model->item(row);
        if (item->checkState() == Qt::Checked)
            texts.append(item->data(TextRole).toString());
    }
    return texts;
}

void MultiCheckComboBox::setSummaryTexts(const QString &noneChecked, const QString &allChecked)
{
    m_noneText = noneChecked;
    m_allText = allChecked;
    update();
}

void MultiCheckComboBox::setDisplayMode(DisplayMode mode)
{
    m_mode = mode;
    update();
}

void MultiCheckComboBox::setSeparator(const QString &separator)
{
    m_separator = separator;
    update();
}

QString MultiCheckComboBox::summary() const
{
    const QStringList checked = checkedItems();
    if (checked.isEmpty())
        return m_noneText;
    if (checked.size() == m_model->rowCount())
        return m_allText;
    switch (m_mode) {
    case ShowCount: return QStringLiteral("%1 sélectionné(s)").arg(checked.size());
    case ShowNoneText: return m_noneText;
    case ShowCheckedItems: break;
    }
    QStringList shown;
    for (const QString &text : checked)
        shown.append(text.isEmpty() ? QStringLiteral("(sans type)") : text);
    return shown.join(m_separator);
}

void MultiCheckComboBox::onItemChanged()
{
    update();
    Q_EMIT selectionChanged();
}

// A click on an item toggles it and keeps the list open, so that several can be checked. The
// release of the click that opened the list lands on it too, without a press: it is ignored.
bool MultiCheckComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != view()->viewport())
        return QComboBox::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_pressedRow = view()->indexAt(mouse->position().toPoint()).row();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int row = view()->indexAt(mouse->position().toPoint()).row();
        const bool pressedHere = row >= 0 && row == m_pressedRow;
        m_pressedRow = -1;
        if (QStandardItem *item = pressedHere ? m_model->item(row) : nullptr)
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked
                                                                  : Qt::Checked);
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

void MultiCheckComboBox::showPopup()
{
    m_pressedRow = -1;
    QComboBox::showPopup();
}

void MultiCheckComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = summary();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
