#include "config/appconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace AppConfig {

namespace {

QJsonObject &shared()
{
    static QJsonObject config;
    return config;
}

QString trimmedString(const QJsonObject &object, const QString &key)
{
    return object.value(key).toString().trimmed();
}

void setSectionValue(const QString &section, const QString &key, const QString &value)
{
    QJsonObject &config = shared();
    QJsonObject object = config.value(section).toObject();
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        object.remove(key);
    else
        object.insert(key, trimmed);
    config.insert(section, object);
}

} // namespace

const QStringList &serviceNames()
{
    static const QStringList names = {
        QStringLiteral("Epieos"),  QStringLiteral("Etherscan"), QStringLiteral("HaveIBeenPwned"),
        QStringLiteral("Shodan"),  QStringLiteral("Solscan"),   QStringLiteral("Urlscan"),
        QStringLiteral("VirusTotal")};
    return names;
}

QString configDirPath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(dir);
    return dir;
}

QString configFilePath()
{
    return QDir(configDirPath()).filePath(QStringLiteral("orvane_config.json"));
}

QJsonObject readFile(const QString &path, bool *ok)
{
    QFile file(path);
    if (!file.exists()) {
        if (ok)
            *ok = true;
        return QJsonObject();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return QJsonObject();
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (ok)
        *ok = document.isObject();
    return document.isObject() ? document.object() : QJsonObject();
}

bool writeFile(const QString &path, const QJsonObject &config, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = QJsonDocument(config).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool load()
{
    bool ok = false;
    const QJsonObject config = readFile(configFilePath(), &ok);
    shared() = config;
    return ok;
}

bool save()
{
    return writeFile(configFilePath(), shared());
}

QJsonObject current()
{
    return shared();
}

void setCurrent(const QJsonObject &config)
{
    shared() = config;
}

QString apiKey(const QString &service)
{
    const QJsonValue keys = shared().value(QStringLiteral("api_keys"));
    if (!keys.isObject())
        return QString();
    return trimmedString(keys.toObject(), service);
}

void setApiKey(const QString &service, const QString &value)
{
    setSectionValue(QStringLiteral("api_keys"), service, value);
}

static QJsonObject orvaneSection()
{
    return shared().value(QStringLiteral("orvane")).toObject();
}

QString defaultPythonInterpreter()
{
    const QString windowsName = QStringLiteral("python.exe");
    if (!QStandardPaths::findExecutable(windowsName).isEmpty())
        return windowsName;
    // Elsewhere Python goes by another name; the first found on the PATH runs the scripts.
    for (const QString &name : {QStringLiteral("python3"), QStringLiteral("python")}) {
        if (!QStandardPaths::findExecutable(name).isEmpty())
            return name;
    }
    return windowsName;
}

QString pythonInterpreter()
{
    const QString value = trimmedString(orvaneSection(), QStringLiteral("python_interpreter"));
    return value.isEmpty() ? defaultPythonInterpreter() : value;
}

QString powershellInterpreter()
{
    return trimmedString(orvaneSection(), QStringLiteral("powershell_interpreter"));
}

QString componentsDir()
{
    const QString value = trimmedString(orvaneSection(), QStringLiteral("python_components_dir"));
    return value.isEmpty() ? QDir(configDirPath()).filePath(QStringLiteral("Components")) : value;
}

void setPythonInterpreter(const QString &path)
{
    setSectionValue(QStringLiteral("orvane"), QStringLiteral("python_interpreter"), path);
}

void setPowershellInterpreter(const QString &path)
{
    setSectionValue(QStringLiteral("orvane"), QStringLiteral("powershell_interpreter"), path);
}

void setComponentsDir(const QString &path)
{
    setSectionValue(QStringLiteral("orvane"), QStringLiteral("python_components_dir"), path);
}

QString endpoint(const QString &service)
{
    static const QHash<QString, QString> defaults = {
        {QStringLiteral("BGPView"), QStringLiteral("https://api.bgpview.io")},
        {QStringLiteral("ip-api"), QStringLiteral("http://ip-api.com")},
        {QStringLiteral("VirusTotal"), QStringLiteral("https://www.virustotal.com")},
        {QStringLiteral("HaveIBeenPwned"), QStringLiteral("https://haveibeenpwned.com")},
        {QStringLiteral("ransomware.live"), QStringLiteral("https://api.ransomware.live")},
        {QStringLiteral("Etherscan"), QStringLiteral("https://api.etherscan.io")},
        {QStringLiteral("Solscan"), QStringLiteral("https://pro-api.solscan.io")},
        {QStringLiteral("OpenStreetMap"), QStringLiteral("https://tile.openstreetmap.org")},
    };
    QString value =
        trimmedString(shared().value(QStringLiteral("endpoints")).toObject(), service);
    if (value.isEmpty())
        value = defaults.value(service);
    while (value.endsWith(QLatin1Char('/')))
        value.chop(1);
    return value;
}

} // namespace AppConfig
