#pragma once

#include "analysis/dataquality.h"

#include <QDialog>

class QTreeWidget;

// The data-quality report as a tree of sections and checks, with "Copier" to put it on the
// clipboard as text.
class DataQualityDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DataQualityDialog(const QualityReport &report, QWidget *parent = nullptr);

    QTreeWidget *tree() const { return m_tree; }

public Q_SLOTS:
    void copyReport();

private:
    QualityReport m_report;
    QTreeWidget *m_tree = nullptr;
};
