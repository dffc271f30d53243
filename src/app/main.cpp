// Livro de Caixa: parse the command line, build the objects, show the first window.

#include "cashbook/frmPrincipal.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/QtDialogs.h"
#include "core/Session.h"
#include "core/Startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdio>

namespace {

void describeApplication(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("livro-caixa"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LIVRO_VERSION));
    // Qt's own texts (the buttons of the message boxes among them) in Portuguese.
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_pt_BR"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

// --help and --version answer without a display.
bool onlyAsksForInformation(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" || arg == "--version")
            return true;
    }
    return false;
}

QString dataDirFromCommandLine(QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Livro de Caixa: livro de caixa para pequenos negócios."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Pasta de dados com o livro de caixa bd.mdb e a pasta "
                                                    "Backups (criada quando não existe)."),
                                     QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.process(app);
    return parser.value(dataDir);
}

} // namespace

int main(int argc, char* argv[])
{
    if (onlyAsksForInformation(argc, argv)) {
        QCoreApplication app(argc, argv);
        describeApplication(app);
        dataDirFromCommandLine(app); // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    describeApplication(app);
    QApplication::setApplicationDisplayName(QStringLiteral("Livro de Caixa"));

    const QString dataDir = Startup::resolveDataDir(
        dataDirFromCommandLine(app), QApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    if (!QDir().mkpath(dataDir)) {
        std::fprintf(stderr, "livro-caixa: não foi possível criar a pasta de dados %s\n",
                     qPrintable(QDir::toNativeSeparators(dataDir)));
        return 1;
    }

    DbConnection db;
    QtDialogs dialogs;
    SystemClock clock;
    Session session(db, dialogs, clock, dataDir);

    // The login window comes with the users; until then the main window opens
    // whatever the login switch says.
    Startup::Main(session);
    frmPrincipal window(session);
    window.show();
    return app.exec();
}
