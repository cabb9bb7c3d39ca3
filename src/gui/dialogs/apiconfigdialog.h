#pragma once

#include "storage/apirole.h"

#include <QDialog>
#include <QHostAddress>

#include <memory>

class Prompter;
class ProjectDb;
class QGridLayout;
class QLineEdit;
class QSpinBox;

// Shows the three API keys of a project database with copy and regenerate buttons, and lets
// the user choose the address and port the server listens on.
class ApiConfigDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ApiConfigDialog(Prompter &prompter, QWidget *parent = nullptr);
    ~ApiConfigDialog() override;

    // Prepares the key database (schema and the three keys) and fills the key fields.
    void setDbPath(const QString &path);

    QHostAddress address() const;
    quint16 port() const;
    QString keyText(ApiRole role) const;

public Q_SLOTS:
    void copyRead();
    void copyWrite();
    void copyAdmin();
    void regenRead();
    void regenWrite();
    void regenAdmin();

private:
    void addKeyRow(QGridLayout *grid, int row, ApiRole role, const QString &label,
                   void (ApiConfigDialog::*copy)(), void (ApiConfigDialog::*regen)());
    QLineEdit *field(ApiRole role) const;
    void showKey(ApiRole role, const QString &key);
    void copy(ApiRole role);
    void regenerate(ApiRole role);

    Prompter &m_prompter;
    QString m_dbPath;
    std::unique_ptr<ProjectDb> m_db;
    QLineEdit *m_address = nullptr;
    QSpinBox *m_port = nullptr;
    QLineEdit *m_keys[3] = {nullptr, nullptr, nullptr};
};
