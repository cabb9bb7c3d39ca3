#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

// The search bar: where to look (nodes or relations), in which field, and the text. It only
// reports the request; the main window opens the list that shows the matches.
class SearchWidget : public QWidget
{
    Q_OBJECT

public:
    enum Scope { Nodes = 0, Relations = 1 };
    Q_ENUM(Scope)
    enum Field { Label = 0, Attributes = 1, Description = 2 };
    Q_ENUM(Field)

    explicit SearchWidget(QWidget *parent = nullptr);

    QComboBox *scopeBox() const { return m_scope; }
    QComboBox *fieldBox() const { return m_field; }
    QLineEdit *queryEdit() const { return m_query; }

Q_SIGNALS:
    void searchRequested(SearchWidget::Scope scope, SearchWidget::Field field,
                         const QString &query);

public Q_SLOTS:
    // Reports the current scope, field and trimmed text.
    void requestSearch();

private:
    QComboBox *m_scope = nullptr;
    QComboBox *m_field = nullptr;
    QLineEdit *m_query = nullptr;
};
