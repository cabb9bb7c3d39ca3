#pragma once

#include <QJsonObject>
#include <QString>

// The per-user settings file "orvane_config.json": interpreters and folder of the script
// components, API keys of the OSINT services and the AI provider. Loaded once at start-up
// into one process-wide object; the settings dialog replaces it wholesale.
namespace AppConfig {

// The services whose keys the settings dialog shows, in its order.
const QStringList &serviceNames();

QString configDirPath();
QString configFilePath();

bool load();
bool save();

QJsonObject current();
void setCurrent(const QJsonObject &config);

// Reads a configuration file; an empty object when missing, unreadable or not an object.
QJsonObject readFile(const QString &path, bool *ok = nullptr);
// Writes indented JSON atomically: a failed write keeps the previous file.
bool writeFile(const QString &path, const QJsonObject &config, QString *error = nullptr);

QString apiKey(const QString &service);
void setApiKey(const QString &service, const QString &value);
// "python.exe" where it exists, else the first of "python3" and "python" on the PATH; when
// none is found, "python.exe" still, so that the failure names it.
QString defaultPythonInterpreter();
QString pythonInterpreter();
QString powershellInterpreter();
QString componentsDir();
void setPythonInterpreter(const QString &path);
void setPowershellInterpreter(const QString &path);
void setComponentsDir(const QString &path);

// Base address ("scheme://host[:port]") of an outside service, from the section "endpoints"
// when it names one (mirrors, proxies, tests), else the real service; no trailing slash.
// Services: "BGPView", "ip-api", "VirusTotal", "HaveIBeenPwned", "ransomware.live",
// "Etherscan", "Solscan", "OpenStreetMap".
QString endpoint(const QString &service);

} // namespace AppConfig
