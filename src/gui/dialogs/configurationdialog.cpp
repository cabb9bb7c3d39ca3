#include "dialogs/configurationdialog.h"

#include "app/prompter.h"
#include "config/appconfig.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kProvider = QStringLiteral("openai_compatible");

QLineEdit *lineEdit(const QString &name, const QString &placeholder, QWidget *parent,
                    bool secret = false)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

void setOrRemove(QJsonObject &object, const QString &key, const QString &value)
{
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        object.remove(key);
    else
        object.insert(key, trimmed);
}

} // namespace

ConfigurationDialog::ConfigurationDialog(Prompter &prompter, QWidget *parent,
                                         const QString &configPath)
    : QDialog(parent)
    , m_prompter(prompter)
    , m_path(configPath.isEmpty() ? AppConfig::configFilePath() : configPath)
{
    setWindowTitle(QStringLiteral("Configuration — Orvane"));
    setModal(true);
    resize(700, 480);

    auto *tabs = new QTabWidget(this);
    tabs->addTab(buildOrvaneTab(), QStringLiteral("Orvane"));
    tabs->addTab(buildApiKeysTab(), QStringLiteral("Clefs d'API"));
    tabs->addTab(buildAiTab(), QStringLiteral("IA"));

    auto *save = new QPushButton(QStringLiteral("Enregistrer"), this);
    save->setObjectName(QStringLiteral("saveButton"));
    save->setToolTip(QStringLiteral("Enregistre la configuration en mémoire et sur disque"));
    connect(save, &QPushButton::clicked, this, &ConfigurationDialog::onSaveClicked);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    layout->addLayout(buttons);

    m_config = AppConfig::readFile(m_path);
    fillFromConfig();
}

QWidget *ConfigurationDialog::pathRow(QLineEdit *field, const std::function<void()> &browse)
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    auto *button = new QPushButton(QStringLiteral("Parcourir…"), row);
    connect(button, &QPushButton::clicked, this, browse);
    layout->addWidget(button);
    return row;
}

QWidget *ConfigurationDialog::buildOrvaneTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("<b>Orvane — paramètres généraux</b>"), page));
    auto *form = new QFormLayout;
    m_python = lineEdit(QStringLiteral("pythonInterpreter"),
                        QStringLiteral("Ex: C:/Python312/python.exe ou /usr/bin/python3"), page);
    m_powershell = lineEdit(
        QStringLiteral("powershellInterpreter"),
        QStringLiteral("Ex: C:/Windows/System32/WindowsPowerShell/v1.0/powershell.exe ou "
                       "C:/Program Files/PowerShell/7/pwsh.exe"),
        page);
    m_componentsDir = lineEdit(QStringLiteral("componentsDir"),
                               QStringLiteral("Ex: D:/OrvaneComponents ou /home/user/orvane_components"),
                               page);
    auto chooseFile = [this](QLineEdit *field, const QString &title, const QString &filter) {
        return [this, field, title, filter]() {
            const QString path = m_prompter.openFileName(this, title, field->text(), filter);
            if (!path.isEmpty())
                field->setText(path);
        };
    };
    form->addRow(QStringLiteral("Interpréteur Python :"),
                 pathRow(m_python, chooseFile(m_python, QStringLiteral("Choisir l'interpréteur Python"),
                                              QStringLiteral("Python (python*.exe);;Tous les fichiers (*.*)"))));
    form->addRow(QStringLiteral("Interpréteur PowerShell :"),
                 pathRow(m_powershell,
                         chooseFile(m_powershell, QStringLiteral("Choisir l'interpréteur PowerShell"),
                                    QStringLiteral("PowerShell (powershell*.exe;pwsh*.exe);;Tous les "
                                                   "fichiers (*.*)"))));
    form->addRow(QStringLiteral("Dossier des composants :"),
                 pathRow(m_componentsDir, [this]() {
                     const QString dir = m_prompter.existingDirectory(
                         this, QStringLiteral("Choisir le dossier des composants"),
                         m_componentsDir->text());
                     if (!dir.isEmpty())
                         m_componentsDir->setText(dir);
                 }));
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget *ConfigurationDialog::buildApiKeysTab()
{
    auto *page = new QWidget(this);
    auto *form = new QFormLayout(page);
    for (const QString &service : AppConfig::serviceNames()) {
        QLineEdit *edit = lineEdit(
            QStringLiteral("apiKey_") + service,
            QStringLiteral("Entrez la clef API %1 (laisser vide si non utilisé)").arg(service), page,
            true);
        m_serviceKeys.insert(service, edit);
        form->addRow(QStringLiteral("%1 :").arg(service), edit);
    }
    return page;
}

QWidget *ConfigurationDialog::buildAiTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *heading = new QLabel(
        QStringLiteral("<h2>IA / LLM</h2><p>Configuration des fournisseurs d'API IA (OpenAI "
                       "compatible, Claude, Grok, ...).</p>"),
        page);
    heading->setTextFormat(Qt::RichText);
    layout->addWidget(heading);

    auto *providerRow = new QFormLayout;
    m_provider = new QComboBox(page);
    m_provider->setObjectName(QStringLiteral("provider"));
    m_provider->addItem(QStringLiteral("OpenAI compatible"), kProvider);
    providerRow->addRow(QStringLiteral("API Provider :"), m_provider);
    layout->addLayout(providerRow);

    m_providerPages = new QStackedWidget(page);
    auto *openAi = new QWidget(m_providerPages);
    auto *openAiLayout = new QVBoxLayout(openAi);
    auto *form = new QFormLayout;
    m_baseUrl = lineEdit(QStringLiteral("baseUrl"), QStringLiteral("Ex : https://api.example.com/v1"), openAi);
    m_aiKey = lineEdit(QStringLiteral("aiApiKey"), QStringLiteral("Clé API compatible OpenAI"), openAi, true);
    m_model = lineEdit(QStringLiteral("modelId"), QStringLiteral("Ex : gpt-4.1, gpt-4.1-mini, ..."), openAi);
    form->addRow(QStringLiteral("Base URL :"), m_baseUrl);
    form->addRow(QStringLiteral("OpenAI compatible API Key :"), m_aiKey);
    form->addRow(QStringLiteral("Model ID :"), m_model);
    openAiLayout->addLayout(form);
    openAiLayout->addWidget(new QLabel(QStringLiteral("Headers HTTP supplémentaires :"), openAi));
    m_headers = new QTableWidget(0, 2, openAi);
    m_headers->setObjectName(QStringLiteral("headers"));
    m_headers->setHorizontalHeaderLabels({QStringLiteral("Header"), QStringLiteral("Valeur")});
    m_headers->horizontalHeader()->setStretchLastSection(true);
    openAiLayout->addWidget(m_headers);
    auto *headerButtons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral("Ajouter"), openAi);
    auto *remove = new QPushButton(QStringLiteral("Supprimer la ligne"), openAi);
    connect(add, &QPushButton::clicked, this, [this]() {
        const int row = m_headers->rowCount();
        m_headers->insertRow(row);
        m_headers->setItem(row, 0, new QTableWidgetItem());
        m_headers->setItem(row, 1, new QTableWidgetItem());
    });
    connect(remove, &QPushButton::clicked, this, [this]() {
        if (m_headers->currentRow() >= 0)
            m_headers->removeRow(m_headers->currentRow());
    });
    headerButtons->addWidget(add);
    headerButtons->addWidget(remove);
    headerButtons->addStretch();
    openAiLayout->addLayout(headerButtons);
    m_providerPages->addWidget(openAi);
    layout->addWidget(m_providerPages);

    connect(m_provider, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &ConfigurationDialog::onIaProviderChanged);
    return page;
}

void ConfigurationDialog::onIaProviderChanged(int index)
{
    m_providerPages->setCurrentIndex(index);
}

void ConfigurationDialog::fillFromConfig()
{
    const QJsonObject keys = m_config.value(QStringLiteral("api_keys")).toObject();
    for (auto it = m_serviceKeys.cbegin(); it != m_serviceKeys.cend(); ++it)
        it.value()->setText(keys.value(it.key()).toString());

    const QJsonObject ai = m_config.value(QStringLiteral("ai")).toObject();
    const int providerIndex =
        m_provider->findData(ai.value(QStringLiteral("provider")).toString(kProvider));
    m_provider->setCurrentIndex(providerIndex >= 0 ? providerIndex : 0);
    const QJsonObject openAi = ai.value(kProvider).toObject();
    m_baseUrl->setText(openAi.value(QStringLiteral("base_url")).toString());
    m_aiKey->setText(openAi.value(QStringLiteral("api_key")).toString());
    m_model->setText(openAi.value(QStringLiteral("model_id")).toString());
    m_headers->setRowCount(0);
    const QJsonArray headers = openAi.value(QStringLiteral("headers")).toArray();
    for (const QJsonValue &header : headers) {
        if (!header.isObject())
            continue;
        const int row = m_headers->rowCount();
        m_headers->insertRow(row);
        m_headers->setItem(row, 0, new QTableWidgetItem(header[QStringLiteral("key")].toString()));
        m_headers->setItem(row, 1, new QTableWidgetItem(header[QStringLiteral("value")].toString()));
    }

    const QJsonObject orvane = m_config.value(QStringLiteral("orvane")).toObject();
    m_python->setText(orvane.value(QStringLiteral("python_interpreter")).toString());
    m_powershell->setText(orvane.value(QStringLiteral("powershell_interpreter")).toString());
    m_componentsDir->setText(orvane.value(QStringLiteral("python_components_dir")).toString());
}

QJsonObject ConfigurationDialog::configFromWidgets() const
{
    QJsonObject config = m_config;

    QJsonObject keys;
    for (const QString &service : AppConfig::serviceNames())
        setOrRemove(keys, service, m_serviceKeys.value(service)->text());
    config.insert(QStringLiteral("api_keys"), keys);

    QString provider = m_provider->currentData().toString();
    if (provider.isEmpty())
        provider = m_provider->currentText().toLower().replace(QLatin1Char(' '), QLatin1Char('_'));
    QJsonObject ai;
    ai.insert(QStringLiteral("provider"), provider);
    if (provider == kProvider) {
        QJsonObject openAi;
        setOrRemove(openAi, QStringLiteral("base_url"), m_baseUrl->text());
        setOrRemove(openAi, QStringLiteral("api_key"), m_aiKey->text());
        setOrRemove(openAi, QStringLiteral("model_id"), m_model->text());
        QJsonArray headers;
        for (int row = 0; row < m_headers->rowCount(); ++row) {
            const QString key = m_headers->item(row, 0) ? m_headers->item(row, 0)->text().trimmed() : QString();
            const QString value = m_headers->item(row, 1) ? m_headers->item(row, 1)->text().trimmed() : QString();
            if (key.isEmpty() && value.isEmpty())
                continue;
            headers.append(QJsonObject{{QStringLiteral("key"), key}, {QStringLiteral("value"), value}});
        }
        if (!headers.isEmpty())
            openAi.insert(QStringLiteral("headers"), headers);
        ai.insert(kProvider, openAi);
    }
    config.insert(QStringLiteral("ai"), ai);

    QJsonObject orvane = config.value(QStringLiteral("orvane")).toObject();
    setOrRemove(orvane, QStringLiteral("python_interpreter"), m_python->text());
    setOrRemove(orvane, QStringLiteral("powershell_interpreter"), m_powershell->text());
    setOrRemove(orvane, QStringLiteral("python_components_dir"), m_componentsDir->text());
    config.insert(QStringLiteral("orvane"), orvane);
    return config;
}

void ConfigurationDialog::onSaveClicked()
{
    const QJsonObject config = configFromWidgets();
    QString error;
    if (!AppConfig::writeFile(m_path, config, &error)) {
        m_prompter.warning(
            this, QStringLiteral("Erreur"),
            QStringLiteral("Impossible d'ouvrir le fichier de configuration pour écriture : %1")
                .arg(m_path));
        return;
    }
    m_config = config;
    AppConfig::setCurrent(config);
    Q_EMIT configSaved(config);
    m_prompter.information(this, QStringLiteral("Configuration"),
                           QStringLiteral("Configuration enregistrée."));
    accept();
}
