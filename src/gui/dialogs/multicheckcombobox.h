#pragma once

#include <QComboBox>
#include <QStringList>

class QStandardItemModel;

// A drop-down of checkable texts that stays open while items are checked. Its closed face
// summarises the choice: one text when nothing is checked, another when everything is, and
// otherwise, by display mode, the number checked, the first text again, or the checked texts
// joined. Used for the type choices of the filters and of the chart dialogs.
class MultiCheckComboBox : public QComboBox
{
    Q_OBJECT

public:
    enum DisplayMode { ShowCount = 0, ShowNoneText = 1, ShowCheckedItems = 2 };

    explicit MultiCheckComboBox(QWidget *parent = nullptr);

    // Replaces the items, all unchecked. An empty text is shown as "(sans type)".
    void setItems(const QStringList &items);
    QStringList items() const;
    void setChecked(const QString &item, bool checked);
    void setAllChecked(bool checked);
    // The checked texts, in list order.
    QStringList checkedItems() const;

    void setSummaryTexts(const QString &noneChecked, const QString &allChecked);
    void setDisplayMode(DisplayMode mode);
    void setSeparator(const QString &separator);
    // What the closed drop-down shows.
    QString summary() const;

    void showPopup() override;

Q_SIGNALS:
    void selectionChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void onItemChanged();

    QStandardItemModel *m_model = nullptr;
    QString m_noneText;
    QString m_allText;
    DisplayMode m_mode = ShowCount;
    QString m_separator = QStringLiteral(", ");
    int m_pressedRow = -1; // the row pressed in the open list
};
