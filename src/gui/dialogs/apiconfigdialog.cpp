#include "dialogs/apiconfigdialog.h"

#include "api/apikeystore.h"
#include "app/prompter.h"
#include "storage/projectdb.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

ApiConfigDialog::ApiConfigDialog(Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Configuration API"));
    auto *layout = new QVBoxLayout(this);

    auto *form = new QFormLayout;
    m_address = new QLineEdit(QStringLiteral("127.0.0.1"), this);
    m_address->setObjectName(QStringLiteral("address"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(1, 65535);
    m_port->setValue(5252);
    form->addRow(QStringLiteral("Adresse IP"), m_address);
    form->addRow(QStringLiteral("Port"), m_port);
    layout->addLayout(form);

    auto *grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    addKeyRow(grid, 0, ApiRole::Read, QStringLiteral("Clé lecture (GET)"),
              &ApiConfigDialog::copyRead, &ApiConfigDialog::regenRead);
    addKeyRow(grid, 1, ApiRole::Write, QStringLiteral("Clé modification (GET, POST, PUT)"),
              &ApiConfigDialog::copyWrite, &ApiConfigDialog::regenWrite);
    addKeyRow(grid, 2, ApiRole::Admin, QStringLiteral("Clé admin (GET, POST, PUT, DELETE)"),
              &ApiConfigDialog::copyAdmin, &ApiConfigDialog::regenAdmin);
    layout->addLayout(grid);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ApiConfigDialog::~ApiConfigDialog() = default;

void ApiConfigDialog::addKeyRow(QGridLayout *grid, int row, ApiRole role, const QString &label,
                                void (ApiConfigDialog::*copySlot)(),
                                void (ApiConfigDialog::*regenSlot)())
{
    const QString name = ApiRoles::roleToText(role);
    auto *text = new QLabel(label, this);
    text->setMinimumWidth(220);
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name + QStringLiteral("Key"));
    edit->setReadOnly(true);
    auto *copyButton = new QPushButton(QStringLiteral("Copier"), this);
    copyButton->setObjectName(name + QStringLiteral("Copy"));
    auto *regenButton = new QPushButton(QStringLiteral("Regénérer"), this);
    regenButton->setObjectName(name + QStringLiteral("Regen"));
    connect(copyButton, &QPushButton::clicked, this, copySlot);
    connect(regenButton, &QPushButton::clicked, this, regenSlot);
    grid->addWidget(text, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(copyButton, row, 2);
    grid->addWidget(regenButton, row, 3);
    m_keys[int(role)] = edit;
}

void ApiConfigDialog::setDbPath(const QString &path)
{
    m_dbPath = path;
    QString error;
    if (!path.isEmpty() && !m_db) {
        auto db = std::make_unique<ProjectDb>(path);
        if (db->open(&error) && db->initSchema(&error) && db->ensureApiKeys(&error)) {
            m_db = std::move(db);
        } else {
            m_prompter.warning(this, QStringLiteral("Base API"),
                               QStringLiteral("Impossible de préparer la base: %1").arg(error));
        }
    }
    if (!m_db)
        return;
    if (!m_db->ensureApiKeys(&error)) {
        m_prompter.warning(this, QStringLiteral("Clés d’API"),
                           QStringLiteral("Impossible d’assurer la présence des clés: %1").arg(error));
        return;
    }
    for (ApiRole role : {ApiRole::Read, ApiRole::Write, ApiRole::Admin})
        showKey(role, m_db->apiKeyForRole(role));
}

// A key is only useful whole: its field is made wide enough to show all of it.
void ApiConfigDialog::showKey(ApiRole role, const QString &key)
{
    QLineEdit *edit = field(role);
    edit->setText(key);
    edit->setCursorPosition(0);
    edit->setToolTip(key);
    edit->setMinimumWidth(int(std::ceil(edit->fontMetrics().horizontalAdvance(key))) + 32);
}

QHostAddress ApiConfigDialog::address() const
{
    return QHostAddress(m_address->text().trimmed());
}

quint16 ApiConfigDialog::port() const
{
    return quint16(m_port->value());
}

QString ApiConfigDialog::keyText(ApiRole role) const
{
    return field(role)->text();
}

QLineEdit *ApiConfigDialog::field(ApiRole role) const
{
    return m_keys[int(role)];
}

void ApiConfigDialog::copy(ApiRole role)
{
    QGuiApplication::clipboard()->setText(field(role)->text());
}

void ApiConfigDialog::regenerate(ApiRole role)
{
    if (!m_db)
        return;
    QString error;
    const QString key = ApiKeyStore::regenerate(*m_db, role, &error);
    if (key.isEmpty()) {
        m_prompter.warning(this, QStringLiteral("Clé API"),
                           QStringLiteral("Échec regénération: %1").arg(error));
        return;
    }
    showKey(role, key);
}

void ApiConfigDialog::copyRead() { copy(ApiRole::Read); }
void ApiConfigDialog::copyWrite() { copy(ApiRole::Write); }
void ApiConfigDialog::copyAdmin() { copy(ApiRole::Admin); }
void ApiConfigDialog::regenRead() { regenerate(ApiRole::Read); }
void ApiConfigDialog::regenWrite() { regenerate(ApiRole::Write); }
void ApiConfigDialog::regenAdmin() { regenerate(ApiRole::Admin); }
