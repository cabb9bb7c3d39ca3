#include "dialogs/pagebar.h"

#include "ops/listpaging.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

PageBar::PageBar(const QString &noun, int perPage, int maxPerPage, QWidget *parent)
    : QWidget(parent), m_noun(noun)
{
    m_perPage = new QSpinBox(this);
    m_perPage->setObjectName(QStringLiteral("pageSizeSpin"));
    m_perPage->setRange(10, maxPerPage);
    m_perPage->setValue(perPage);
    auto *previous = new QPushButton(QStringLiteral("◀"), this);
    previous->setObjectName(QStringLiteral("previousPageButton"));
    auto *next = new QPushButton(QStringLiteral("▶"), this);
    next->setObjectName(QStringLiteral("nextPageButton"));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("pageLabel"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Par page:"), this));
    layout->addWidget(m_perPage);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(m_label);

    connect(m_perPage, &QSpinBox::valueChanged, this, &PageBar::perPageChanged);
    connect(previous, &QPushButton::clicked, this, &PageBar::previousPage);
    connect(next, &QPushButton::clicked, this, &PageBar::nextPage);
}

int PageBar::firstRow() const
{
    return ListPaging::firstRow(m_page, m_perPage->value());
}

int PageBar::rowsOnPage() const
{
    return ListPaging::rowsOnPage(m_page, m_total, m_perPage->value());
}

void PageBar::restart(int total)
{
    m_total = total;
    setPage(0);
}

void PageBar::setTotal(int total)
{
    m_total = total;
    setPage(m_page);
}

void PageBar::showLastPage()
{
    setPage(ListPaging::pageCount(m_total, m_perPage->value()) - 1);
}

void PageBar::previousPage()
{
    setPage(m_page - 1);
}

void PageBar::nextPage()
{
    setPage(m_page + 1);
}

void PageBar::perPageChanged()
{
    setPage(m_page);
}

void PageBar::setPage(int page)
{
    m_page = ListPaging::clampPage(page, m_total, m_perPage->value());
    m_label->setText(ListPaging::label(m_page, m_total, m_perPage->value(), m_noun));
    Q_EMIT pageChanged();
}
