#pragma once

#include "model/node.h"

#include <QDialog>

// The read-only sheet of one media record.
class MediaViewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MediaViewDialog(const MediaRecord &record, QWidget *parent = nullptr);
};
