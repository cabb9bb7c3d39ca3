#pragma once

#include <QDialog>
#include <QHash>
#include <QJsonObject>

#include <functional>

class Prompter;
class QComboBox;
class QLineEdit;
class QStackedWidget;
class QTableWidget;

// Edits the per-user configuration file. It works on a copy read from disk, so keys it does
// not show survive a save, and replaces the in-memory configuration only once the file is
// written.
class ConfigurationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConfigurationDialog(Prompter &prompter, QWidget *parent = nullptr,
                                 const QString &configPath = QString());

    QJsonObject workingCopy() const { return m_config; }

Q_SIGNALS:
    void configSaved(const QJsonObject &newConfig);

public Q_SLOTS:
    void onSaveClicked();
    void onIaProviderChanged(int index);

private:
    QWidget *buildOrvaneTab();
    QWidget *buildApiKeysTab();
    QWidget *buildAiTab();
    QWidget *pathRow(QLineEdit *field, const std::function<void()> &browse);
    void fillFromConfig();
    QJsonObject configFromWidgets() const;

    Prompter &m_prompter;
    QString m_path;
    QJsonObject m_config;
    QLineEdit *m_python = nullptr;
    QLineEdit *m_powershell = nullptr;
    QLineEdit *m_componentsDir = nullptr;
    QHash<QString, QLineEdit *> m_serviceKeys;
    QComboBox *m_provider = nullptr;
    QStackedWidget *m_providerPages = nullptr;
    QLineEdit *m_baseUrl = nullptr;
    QLineEdit *m_aiKey = nullptr;
    QLineEdit *m_model = nullptr;
    QTableWidget *m_headers = nullptr;
};
