#include "clirunner.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// Installs the build into a scratch prefix, as `cmake --install build --prefix P` does for a
// user, and checks that the installed programs work away from the source and build trees.
class TstInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installedTreeHoldsProgramsAndDesktopEntry();
    void installedProgramFindsTheIconLibraryFromAnywhere();

private:
    QString installed(const QString &path) const { return QDir(m_prefix.path()).filePath(path); }

    QTemporaryDir m_prefix;
    QTemporaryDir m_elsewhere; // a working directory with no icons folder up its tree
};

void TstInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid() && m_elsewhere.isValid());
    const CliRun install = runProgram(QStringLiteral(ORVANE_CMAKE),
                                      {QStringLiteral("--install"), QStringLiteral(ORVANE_BINARY_DIR),
                                       QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
}

void TstInstall::installedTreeHoldsProgramsAndDesktopEntry()
{
    for (const char *program : {"bin/orvane", "bin/orvane-cli"})
        QVERIFY2(QFileInfo(installed(QLatin1String(program))).isExecutable(), program);

    const QString entry =
        QString::fromUtf8(fileBytes(installed(QStringLiteral("share/applications/orvane.desktop"))));
    for (const char *line : {"[Desktop Entry]", "Type=Application", "Name=Orvane",
                             "Exec=orvane %f", "Icon=orvane"})
        QVERIFY2(entry.split(QLatin1Char('\n')).contains(QLatin1String(line)), line);
    QVERIFY(entry.contains(QStringLiteral("Comment=Enquêtes")));

    const QImage icon(installed(QStringLiteral("share/icons/hicolor/128x128/apps/orvane.png")));
    QCOMPARE(icon.size(), QSize(128, 128));
}

void TstInstall::installedProgramFindsTheIconLibraryFromAnywhere()
{
    const QString cli = installed(QStringLiteral("bin/orvane-cli"));
    const QString library = installed(QStringLiteral("share/orvane/icons"));

    const CliRun listing = runProgram(cli, {QStringLiteral("icons")}, m_elsewhere.path());
    QVERIFY2(listing.exitCode == 0, qPrintable(listing.err));
    const QJsonObject found = QJsonDocument::fromJson(listing.out.toUtf8()).object();
    QCOMPARE(found.value(QLatin1String("folder")).toString(), library);
    const QJsonObject categories = found.value(QLatin1String("categories")).toObject();
    QCOMPARE(categories.keys(), (QStringList{QStringLiteral("Crypto"), QStringLiteral("Cyber"),
                                             QStringLiteral("Finance"), QStringLiteral("Personnes"),
                                             QStringLiteral("Réseau")}));
    for (auto it = categories.begin(); it != categories.end(); ++it)
        QVERIFY2(it->toInt() > 0, qPrintable(it.key()));

    const CliRun malware =
        runProgram(cli, {QStringLiteral("icons"), QStringLiteral("icons/Cyber/malware rouge.png")},
                   m_elsewhere.path());
    QVERIFY2(malware.exitCode == 0, qPrintable(malware.err));
    QCOMPARE(malware.out.trimmed(), QDir(library).filePath(QStringLiteral("Cyber/malware rouge.png")));
    QVERIFY(!QImage(malware.out.trimmed()).isNull());
}

QTEST_GUILESS_MAIN(TstInstall)
#include "tst_install.moc"
