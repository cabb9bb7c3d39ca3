#pragma once

#include <QDialog>

class VersionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit VersionDialog(QWidget *parent = nullptr);

    static QString versionText();
    static QString buildDateText();
};
