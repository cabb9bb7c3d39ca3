#pragma once

#include "analysis/anonymiser.h"

#include <QDialog>

class QCheckBox;

// What the anonymised copy hides: four boxes, all checked to begin with.
class AnonymiseDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AnonymiseDialog(QWidget *parent = nullptr);

    Anonymiser::Options options() const;
    QCheckBox *nodesBox() const { return m_nodes; }
    QCheckBox *relationsBox() const { return m_relations; }
    QCheckBox *shapesBox() const { return m_shapes; }
    QCheckBox *imagesBox() const { return m_images; }

private:
    QCheckBox *m_nodes = nullptr;
    QCheckBox *m_relations = nullptr;
    QCheckBox *m_shapes = nullptr;
    QCheckBox *m_images = nullptr;
};
