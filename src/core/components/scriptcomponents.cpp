#include "components/scriptcomponents.h"

#include "config/appconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace ScriptComponents {

namespace {

// A key of the wrong type or holding only blanks counts as missing.
QString stringOr(const QJsonObject &object, const QString &key, const QString &fallback)
{
    const QString value = object.value(key).toString().trimmed();
    return value.isEmpty() ? fallback : value;
}

QStringList subFolders(const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

bool isPowerShell(const QString &language)
{
    return language == u"powershell" || language == u"pwsh";
}

} // namespace

QString Descriptor::scriptPath() const
{
    return QDir(folder).filePath(entryPoint);
}

std::optional<Descriptor> readDescriptor(const QString &folder)
{
    QFile file(QDir(folder).filePath(QStringLiteral("config.json")));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QString folderName = QFileInfo(folder).fileName();
    Descriptor descriptor;
    descriptor.folder = QFileInfo(folder).absoluteFilePath();
    descriptor.id = stringOr(object, QStringLiteral("id"), folderName);
    descriptor.name = stringOr(object, QStringLiteral("name"), folderName);
    descriptor.category = stringOr(object, QStringLiteral("category"), QString());
    descriptor.entryPoint = stringOr(object, QStringLiteral("entry_point"), QStringLiteral("main.py"));
    descriptor.description = stringOr(object, QStringLiteral("description"), QString());
    descriptor.language =
        stringOr(object, QStringLiteral("language"), QStringLiteral("python")).toLower();
    return descriptor;
}

QString Scan::emptyText() const
{
    switch (state) {
    case State::NotConfigured:
        return QStringLiteral("Aucun dossier de composants configuré.");
    case State::Missing:
        return QStringLiteral("Dossier introuvable : %1").arg(folder);
    case State::NoCategory:
        return QStringLiteral("Aucun composant trouvé dans %1").arg(folder);
    case State::Found:
        break;
    }
    return QString();
}

std::optional<Descriptor> Scan::find(const QString &id) const
{
    for (const Category &category : categories) {
        for (const Descriptor &component : category.components) {
            if (component.id == id)
                return component;
        }
    }
    return std::nullopt;
}

Scan scan(const QString &componentsFolder)
{
    Scan result;
    result.folder = componentsFolder.trimmed();
    if (result.folder.isEmpty())
        return result;
    if (!QFileInfo(result.folder).isDir()) {
        result.state = Scan::State::Missing;
        return result;
    }
    const QDir root(result.folder);
    const QStringList categoryNames = subFolders(result.folder);
    if (categoryNames.isEmpty()) {
        result.state = Scan::State::NoCategory;
        return result;
    }
    result.state = Scan::State::Found;
    for (const QString &categoryName : categoryNames) {
        Category category{categoryName, {}};
        const QString categoryFolder = root.filePath(categoryName);
        for (const QString &componentName : subFolders(categoryFolder)) {
            if (auto descriptor = readDescriptor(QDir(categoryFolder).filePath(componentName)))
                category.components.append(*descriptor);
        }
        result.categories.append(category);
    }
    return result;
}

QString emptyCategoryText()
{
    return QStringLiteral("[Aucun composant dans cette catégorie]");
}

QString nothingSelectedText()
{
    return QStringLiteral("Aucun nœud ni relation sélectionné — rien à traiter.");
}

bool prepare(const Descriptor &component, const QString &dbPath, const QStringList &nodeIds,
             const QStringList &edgeIds, Invocation *invocation, QString *error)
{
    const QString script = component.scriptPath();
    if (!QFileInfo(script).isFile()) {
        *error = QStringLiteral("Script introuvable : %1").arg(script);
        return false;
    }
    const QString nodes = nodeIds.join(QLatin1Char(','));
    const QString edges = edgeIds.join(QLatin1Char(','));
    Invocation run;
    run.workingDirectory = component.folder;
    if (component.language == u"python") {
        run.program = AppConfig::pythonInterpreter().trimmed();
        if (run.program.isEmpty()) {
            *error = QStringLiteral("Aucun interpréteur Python configuré.\n\nOuvre la "
                                    "configuration Orvane et renseigne le chemin de Python.");
            return false;
        }
        run.arguments = {script, QStringLiteral("--db"), dbPath};
        if (!nodes.isEmpty())
            run.arguments << QStringLiteral("--nodes") << nodes;
        if (!edges.isEmpty())
            run.arguments << QStringLiteral("--edges") << edges;
    } else if (isPowerShell(component.language)) {
        run.program = AppConfig::powershellInterpreter().trimmed();
        if (run.program.isEmpty()) {
            *error = QStringLiteral("Aucun interpréteur PowerShell configuré.\n\nOuvre la "
                                    "configuration Orvane et renseigne le chemin de PowerShell.");
            return false;
        }
        run.arguments = {QStringLiteral("-NoProfile"), QStringLiteral("-ExecutionPolicy"),
                         QStringLiteral("Bypass"),     QStringLiteral("-File"),
                         script,                       QStringLiteral("-Db"),
                         dbPath};
        if (!nodes.isEmpty())
            run.arguments << QStringLiteral("-Nodes") << nodes;
        if (!edges.isEmpty())
            run.arguments << QStringLiteral("-Edges") << edges;
    } else {
        *error = QStringLiteral("Langage de composant inconnu ou non supporté : %1")
                     .arg(component.language);
        return false;
    }
    *invocation = run;
    return true;
}

std::optional<OutputLine> parseLine(const QByteArray &rawLine)
{
    static const QString progressPrefix = QStringLiteral("PROGRESS:");
    static const QString messagePrefix = QStringLiteral("MSG:");
    const QString line = QString::fromUtf8(rawLine).trimmed();
    OutputLine parsed;
    if (line.startsWith(progressPrefix, Qt::CaseInsensitive)) {
        bool ok = false;
        const qlonglong value = line.mid(progressPrefix.size()).trimmed().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        parsed.kind = OutputLine::Kind::Progress;
        parsed.progress = int(qBound(0LL, value, 100LL));
    } else if (line.startsWith(messagePrefix, Qt::CaseInsensitive)) {
        parsed.kind = OutputLine::Kind::Message;
        parsed.text = line.mid(messagePrefix.size());
    } else {
        parsed.text = line;
    }
    return parsed;
}

QList<QByteArray> LineSplitter::feed(const QByteArray &bytes)
{
    m_pending.append(bytes);
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n', start)) {
        lines.append(m_pending.mid(start, end - start));
        start = end + 1;
    }
    m_pending.remove(0, start);
    return lines;
}

std::optional<QByteArray> LineSplitter::finish()
{
    if (m_pending.isEmpty())
        return std::nullopt;
    return std::exchange(m_pending, QByteArray());
}

} // namespace ScriptComponents
