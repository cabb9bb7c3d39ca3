#include "config/appconfig.h"
#include "dialogs/configurationdialog.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

class TstConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void defaultsWithoutAFile();
    void settersTrimAndRemoveEmptyValues();
    void defaultPythonFollowsThePath_data();
    void defaultPythonFollowsThePath();
    void malformedFileGivesAnEmptyConfiguration();
    void writeReplacesTheFileAtomically();
    void dialogLoadsWhatItShows();
    void dialogSaveRules();
    void dialogUnknownProviderSavesTheFirstEntry();
    void dialogWriteFailureKeepsTheDialogOpen();

private:
    QTemporaryDir m_dir;
};

void TstConfig::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE-tests"));
}

void TstConfig::init()
{
    QFile::remove(AppConfig::configFilePath());
    AppConfig::setCurrent(QJsonObject());
}

void TstConfig::defaultsWithoutAFile()
{
    QVERIFY(AppConfig::load());
    QVERIFY(AppConfig::current().isEmpty());
    QCOMPARE(AppConfig::pythonInterpreter(), AppConfig::defaultPythonInterpreter());
    QCOMPARE(AppConfig::powershellInterpreter(), QString());
    QCOMPARE(AppConfig::componentsDir(),
             QDir(AppConfig::configDirPath()).filePath(QStringLiteral("Components")));
    QCOMPARE(AppConfig::apiKey(QStringLiteral("VirusTotal")), QString());
    QVERIFY(!QFile::exists(AppConfig::configFilePath()));
}

void TstConfig::settersTrimAndRemoveEmptyValues()
{
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("orvane"), QJsonObject{{QStringLiteral("python_interpreter"), QStringLiteral("/usr/bin/python3")},
                                               {QStringLiteral("autre"), QStringLiteral("gardé")}}}});
    AppConfig::setPythonInterpreter(QStringLiteral("   "));
    AppConfig::setComponentsDir(QStringLiteral("  /opt/components  "));
    AppConfig::setApiKey(QStringLiteral("VirusTotal"), QStringLiteral(" k1 "));
    const QJsonObject orvane = AppConfig::current().value(QStringLiteral("orvane")).toObject();
    QVERIFY(!orvane.contains(QStringLiteral("python_interpreter")));
    QCOMPARE(orvane.value(QStringLiteral("autre")).toString(), QStringLiteral("gardé"));
    QCOMPARE(AppConfig::componentsDir(), QStringLiteral("/opt/components"));
    QCOMPARE(AppConfig::pythonInterpreter(), AppConfig::defaultPythonInterpreter());
    QCOMPARE(AppConfig::apiKey(QStringLiteral("VirusTotal")), QStringLiteral("k1"));
    AppConfig::setApiKey(QStringLiteral("VirusTotal"), QString());
    QVERIFY(AppConfig::current().value(QStringLiteral("api_keys")).toObject().isEmpty());
}

void TstConfig::defaultPythonFollowsThePath_data()
{
    QTest::addColumn<QStringList>("programs");
    QTest::addColumn<QString>("expected");
    QTest::newRow("windows") << QStringList{"python.exe", "python3"} << "python.exe";
    QTest::newRow("python3 first") << QStringList{"python", "python3"} << "python3";
    QTest::newRow("only python") << QStringList{"python"} << "python";
    QTest::newRow("none") << QStringList{} << "python.exe";
}

void TstConfig::defaultPythonFollowsThePath()
{
    QFETCH(QStringList, programs);
    QFETCH(QString, expected);
    QTemporaryDir bin;
    for (const QString &program : programs) {
        const QString path = bin.filePath(program);
        writeBytes(path, "#!/bin/sh\n");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    const QString chosen = AppConfig::pythonInterpreter();
    qputenv("PATH", savedPath);
    QCOMPARE(chosen, expected);
}

void TstConfig::malformedFileGivesAnEmptyConfiguration()
{
    writeBytes(AppConfig::configFilePath(), "{ \"orvane\": ");
    QVERIFY(!AppConfig::load());
    QVERIFY(AppConfig::current().isEmpty());
    writeBytes(AppConfig::configFilePath(), "[1, 2]");
    QVERIFY(!AppConfig::load());
    QCOMPARE(AppConfig::pythonInterpreter(), AppConfig::defaultPythonInterpreter());
}

void TstConfig::writeReplacesTheFileAtomically()
{
    const QString path = m_dir.filePath(QStringLiteral("atomic.json"));
    const QString witness = m_dir.filePath(QStringLiteral("witness.json"));
    writeBytes(path, "{\"ancien\": true}");
    // A second name for the same file: a save that truncated and rewrote in place would
    // change what it holds too.
    QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(witness).constData()) == 0);
    QVERIFY(AppConfig::writeFile(path, QJsonObject{{QStringLiteral("nouveau"), true}}));
    QVERIFY(readJson(path).value(QStringLiteral("nouveau")).toBool());
    QVERIFY(readJson(witness).value(QStringLiteral("ancien")).toBool());
}

void TstConfig::dialogLoadsWhatItShows()
{
    const QString path = m_dir.filePath(QStringLiteral("load.json"));
    writeBytes(path, R"({
        "api_keys": {"VirusTotal": "vt-key", "Inconnu": "x"},
        "ai": {"provider": "openai_compatible",
               "openai_compatible": {"base_url": "http://127.0.0.1:9/v1", "model_id": "m",
                                      "headers": [{"key": "X-Team", "value": "cti"}, 5]}},
        "orvane": {"python_interpreter": "/usr/bin/python3"}
    })");
    ScriptedPrompter prompter;
    ConfigurationDialog dialog(prompter, nullptr, path);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Configuration — Orvane"));
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("apiKey_VirusTotal"))->text(), QStringLiteral("vt-key"));
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("apiKey_VirusTotal"))->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("baseUrl"))->text(), QStringLiteral("http://127.0.0.1:9/v1"));
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("pythonInterpreter"))->text(), QStringLiteral("/usr/bin/python3"));
    auto *headers = dialog.findChild<QTableWidget *>(QStringLiteral("headers"));
    QCOMPARE(headers->rowCount(), 1);
    QCOMPARE(headers->item(0, 0)->text(), QStringLiteral("X-Team"));
}

void TstConfig::dialogSaveRules()
{
    const QString path = m_dir.filePath(QStringLiteral("save.json"));
    writeBytes(path, R"({
        "api_keys": {"VirusTotal": "vt", "Inconnu": "dropped"},
        "ai": {"provider": "openai_compatible",
               "openai_compatible": {"api_key": "secret", "system_prompt": "Tu es un analyste."}},
        "orvane": {"python_interpreter": "/usr/bin/python3", "gardé": "oui"},
        "autre_section": {"x": 1}
    })");
    ScriptedPrompter prompter;
    ConfigurationDialog dialog(prompter, nullptr, path);
    QSignalSpy saved(&dialog, &ConfigurationDialog::configSaved);
    dialog.findChild<QLineEdit *>(QStringLiteral("apiKey_Etherscan"))->setText(QStringLiteral("  eth  "));
    dialog.findChild<QLineEdit *>(QStringLiteral("pythonInterpreter"))->clear();
    dialog.findChild<QLineEdit *>(QStringLiteral("modelId"))->setText(QStringLiteral("modele-1"));
    auto *headers = dialog.findChild<QTableWidget *>(QStringLiteral("headers"));
    headers->setRowCount(3);
    headers->setItem(0, 0, new QTableWidgetItem(QStringLiteral(" X-A ")));
    headers->setItem(0, 1, new QTableWidgetItem(QStringLiteral("1")));
    headers->setItem(1, 0, new QTableWidgetItem(QStringLiteral("  ")));
    headers->setItem(1, 1, new QTableWidgetItem(QString()));
    headers->setItem(2, 1, new QTableWidgetItem(QStringLiteral("seule valeur")));
    dialog.onSaveClicked();

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(saved.count(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Configuration enregistrée."));
    const QJsonObject file = readJson(path);
    QCOMPARE(file.value(QStringLiteral("api_keys")).toObject(),
             (QJsonObject{{QStringLiteral("VirusTotal"), QStringLiteral("vt")},
                          {QStringLiteral("Etherscan"), QStringLiteral("eth")}}));
    const QJsonObject ai = file.value(QStringLiteral("ai")).toObject();
    QCOMPARE(ai.value(QStringLiteral("provider")).toString(), QStringLiteral("openai_compatible"));
    const QJsonObject openAi = ai.value(QStringLiteral("openai_compatible")).toObject();
    QVERIFY(!openAi.contains(QStringLiteral("system_prompt")));
    QVERIFY(!openAi.contains(QStringLiteral("base_url")));
    QCOMPARE(openAi.value(QStringLiteral("api_key")).toString(), QStringLiteral("secret"));
    QCOMPARE(openAi.value(QStringLiteral("model_id")).toString(), QStringLiteral("modele-1"));
    const QJsonArray expectedHeaders{
        QJsonObject{{QStringLiteral("key"), QStringLiteral("X-A")}, {QStringLiteral("value"), QStringLiteral("1")}},
        QJsonObject{{QStringLiteral("key"), QString()}, {QStringLiteral("value"), QStringLiteral("seule valeur")}}};
    QCOMPARE(openAi.value(QStringLiteral("headers")).toArray(), expectedHeaders);
    const QJsonObject orvane = file.value(QStringLiteral("orvane")).toObject();
    QVERIFY(!orvane.contains(QStringLiteral("python_interpreter")));
    QCOMPARE(orvane.value(QStringLiteral("gardé")).toString(), QStringLiteral("oui"));
    QCOMPARE(file.value(QStringLiteral("autre_section")).toObject().value(QStringLiteral("x")).toInt(), 1);
    QCOMPARE(AppConfig::current(), file);

    // Every key field empty: an empty "api_keys" object.
    ConfigurationDialog again(prompter, nullptr, path);
    for (QLineEdit *edit : again.findChildren<QLineEdit *>()) {
        if (edit->objectName().startsWith(QStringLiteral("apiKey_")))
            edit->clear();
    }
    again.onSaveClicked();
    QVERIFY(readJson(path).value(QStringLiteral("api_keys")).toObject().isEmpty());
    QVERIFY(readJson(path).value(QStringLiteral("api_keys")).isObject());
}

void TstConfig::dialogUnknownProviderSavesTheFirstEntry()
{
    const QString path = m_dir.filePath(QStringLiteral("provider.json"));
    writeBytes(path, R"({"ai": {"provider": "inconnu"}})");
    ScriptedPrompter prompter;
    ConfigurationDialog dialog(prompter, nullptr, path);
    QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("provider"))->currentIndex(), 0);
    dialog.onSaveClicked();
    QCOMPARE(readJson(path).value(QStringLiteral("ai")).toObject().value(QStringLiteral("provider")).toString(),
             QStringLiteral("openai_compatible"));
}

void TstConfig::dialogWriteFailureKeepsTheDialogOpen()
{
    // The parent of the file is a plain file: nothing can be written there.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    writeBytes(blocker, "x");
    const QString path = blocker + QStringLiteral("/orvane_config.json");
    AppConfig::setCurrent(QJsonObject{{QStringLiteral("avant"), true}});
    ScriptedPrompter prompter;
    ConfigurationDialog dialog(prompter, nullptr, path);
    dialog.onSaveClicked();
    QCOMPARE(prompter.last().title, QStringLiteral("Erreur"));
    QCOMPARE(prompter.last().text,
             QStringLiteral("Impossible d'ouvrir le fichier de configuration pour écriture : %1").arg(path));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(AppConfig::current().value(QStringLiteral("avant")).toBool());
}

QTEST_MAIN(TstConfig)
#include "tst_config.moc"
