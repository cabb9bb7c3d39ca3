#include "commands.h"

#include "api/apiprojects.h"
#include "api/apiserver.h"
#include "storage/projectdb.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the signal handler, read by the event loop: the only safe way out of a handler.
int s_signalPipe[2] = {-1, -1};

// Seconds a stop may take before the process ends regardless: the loop may be inside a
// long request when the signal comes.
constexpr unsigned kStopGraceSeconds = 10;

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s_signalPipe[0], &byte, 1);
    ::alarm(kStopGraceSeconds);
}

// Stops the server and leaves the event loop on SIGINT and SIGTERM, whatever the number of
// connections waiting.
bool quitOnStopSignals(ApiServer &server)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(s_signalPipe[1], QSocketNotifier::Read,
                                         QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, &server, [&server]() {
        server.stop();
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0
        && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

bool existingFiles(const QStringList &files, QTextStream &err)
{
    for (const QString &file : files) {
        if (!QFileInfo(file).isFile()) {
            err << "orvane-cli: fichier introuvable: " << file << '\n';
            return false;
        }
    }
    return true;
}

} // namespace

namespace CliCommands {

int serve(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const QLatin1String usage("usage: orvane-cli serve FILE... [--address A] [--port P]\n");
    QStringList files;
    QHostAddress address(QHostAddress::LocalHost);
    int port = 5252;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == u"--address" || argument == u"--port") {
            if (i + 1 >= arguments.size()) {
                err << usage;
                return 2;
            }
            const QString value = arguments[++i];
            bool ok = true;
            if (argument == u"--address")
                ok = address.setAddress(value);
            else
                port = value.toInt(&ok);
            if (!ok || port < 0 || port > 65535) {
                err << "orvane-cli: valeur invalide pour " << argument << ": " << value << '\n';
                return 2;
            }
        } else {
            files.append(QFileInfo(argument).absoluteFilePath());
        }
    }
    if (files.isEmpty()) {
        err << usage;
        return 2;
    }
    if (!existingFiles(files, err))
        return 1;
    for (const QString &file : std::as_const(files)) {
        QString error;
        if (!checkProject(file, err, &error)) {
            err << "orvane-cli: " << error << '\n';
            return 1;
        }
    }

    ApiServer server;
    if (!server.initDb(files.first())) {
        err << "orvane-cli: impossible d'initialiser la base pour l'API: " << files.first()
            << '\n';
        return 1;
    }
    // The files play the open tabs; the first one is the current tab.
    server.setProjectsProvider([files]() { return ApiProjects::describe(files); });
    server.setProjectResolver([files](const QString &name) {
        return ApiProjects::resolve(name, files, files.first());
    });
    if (!quitOnStopSignals(server)) {
        err << "orvane-cli: signaux indisponibles\n";
        return 1;
    }
    if (!server.start(address, quint16(port))) {
        err << "orvane-cli: impossible de démarrer le serveur API sur " << address.toString()
            << ':' << port << '\n';
        return 1;
    }
    out << "listening on " << server.address().toString() << ':' << server.port() << Qt::endl;
    QCoreApplication::exec();
    server.stop();
    return 0;
}

int keys(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 1) {
        err << "usage: orvane-cli keys FILE\n";
        return 2;
    }
    if (!existingFiles(arguments, err))
        return 1;
    QString error;
    if (!checkProject(arguments.first(), err, &error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    ProjectDb db(arguments.first());
    if (!db.open(&error) || !db.initSchema(&error) || !db.ensureApiKeys(&error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    for (ApiRole role : {ApiRole::Read, ApiRole::Write, ApiRole::Admin}) {
        const QString key = db.apiKeyForRole(role, &error);
        if (key.isEmpty()) {
            err << "orvane-cli: " << error << '\n';
            return 1;
        }
        out << ApiRoles::roleToText(role) << ' ' << key << '\n';
    }
    return 0;
}

} // namespace CliCommands
