#include "dialogs/searchwidget.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

SearchWidget::SearchWidget(QWidget *parent) : QWidget(parent)
{
    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("searchScope"));
    m_scope->addItem(QStringLiteral("Nœuds"), Nodes);
    m_scope->addItem(QStringLiteral("Relations"), Relations);
    m_field = new QComboBox(this);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->addItem(QStringLiteral("Label"), Label);
    m_field->addItem(QStringLiteral("Attributs"), Attributes);
    m_field->addItem(QStringLiteral("Description"), Description);
    m_query = new QLineEdit(this);
    m_query->setObjectName(QStringLiteral("searchQuery"));
    m_query->setPlaceholderText(QStringLiteral("Rechercher…"));
    auto *search = new QPushButton(QStringLiteral("Rechercher"), this);
    search->setObjectName(QStringLiteral("searchButton"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("Chercher dans:"), this));
    layout->addWidget(m_scope);
    layout->addWidget(new QLabel(QStringLiteral("Champ:"), this));
    layout->addWidget(m_field);
    layout->addWidget(m_query, 1);
    layout->addWidget(search);

    connect(m_query, &QLineEdit::returnPressed, this, &SearchWidget::requestSearch);
    connect(search, &QPushButton::clicked, this, &SearchWidget::requestSearch);
}

void SearchWidget::requestSearch()
{
    Q_EMIT searchRequested(Scope(m_scope->currentData().toInt()),
                           Field(m_field->currentData().toInt()), m_query->text().trimmed());
}
