#include "app/localisation.h"
#include "app/mainwindow.h"
#include "app/themes.h"
#include "config/appconfig.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installFrenchQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("ORVANE"));
    QApplication::setOrganizationName(QStringLiteral("ORVANE"));
    // The names come first: they say where the theme chosen last is kept.
    applyTheme(app, storedTheme());
    AppConfig::load();

    MainWindow window;
    window.resize(1200, 800);
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.openPath(arguments.at(1));
    return app.exec();
}
