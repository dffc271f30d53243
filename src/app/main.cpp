// Livro de Caixa: read the command line, build the objects, show the first window.

#include "app/CommandLine.h"
#include "app/ReportCommand.h"
#include "app/ServerCommands.h"
#include "app/Shell.h"
#include "app/Startup.h"
#include "app/StoredSecrets.h"
#include "cashbook/frmPrincipal.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Session.h"
#include "users/frmLogin.h"
#include "widgets/QtDialogs.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

void describe(QCoreApplication& app)
{
    Startup::describeApplication(app);
    QCoreApplication::setApplicationVersion(QStringLiteral(LIVRO_VERSION));
}

struct CommandLineOutcome
{
    QString dataDir;
    QString serverUrl;
    Status folder;
    std::optional<int> exitStatus; // the program ends here with it
};

// The command line is read before anything needs a display: --help,
// --version, --disable-login and a usage error work without one.
CommandLineOutcome readCommandLine(int& argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    describe(app);
    const CommandLine::Options options = CommandLine::parse(app); // may end the program
    const QString dir = CommandLine::dataFolder(options);
    const QString server = ServerCommands::serverUrlFor(dir, options.database);
    if (options.disableLogin && !server.isEmpty())
        return {dir, server, Status::success(), ServerCommands::refuseDisableLogin(server)};
    if (options.disableLogin)
        return {dir, server, Status::success(), CommandLine::disableLogin(dir)};
    if (!options.copyBookTo.isEmpty())
        return {dir, server, Status::success(),
                ServerCommands::copyBookTo(dir, options.copyBookTo)};
    Status folder = CommandLine::prepare(dir);
    if (!folder)
        std::fprintf(stderr, "livro-caixa: %s\n", qPrintable(folder.reason()));
    return {dir, server, std::move(folder), std::nullopt};
}

int runWindows(QApplication& app, const QString& dir, const QString& serverUrl)
{
    DbConnection db;
    QtDialogs dialogs;
    SystemClock clock;
    Session session(db, dialogs, clock, dir);
    session.serverUrl = serverUrl;
    Shell shell(session);

    const Startup::FirstWindow first = Startup::Main(session);
    StoredSecrets::protect(session);
    std::unique_ptr<frmPrincipal> mainWindow;
    const auto showMainWindow = [&] {
        mainWindow = std::make_unique<frmPrincipal>(session);
        mainWindow->show();
    };
    std::unique_ptr<frmLogin> login;
    if (first == Startup::FirstWindow::Login) {
        login = std::make_unique<frmLogin>(session);
        QObject::connect(login.get(), &frmLogin::loggedIn, showMainWindow);
        QObject::connect(login.get(), &frmLogin::cancelled, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        login->show();
    } else {
        showMainWindow();
    }
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    if (ReportCommand::requested(argc, argv))
        return ReportCommand::run(argc, argv);
    const CommandLineOutcome start = readCommandLine(argc, argv);
    if (start.exitStatus)
        return *start.exitStatus;

    QApplication app(argc, argv);
    describe(app);
    if (!start.folder) {
        QtDialogs().inform(nullptr, Dialogs::Icon::Critical,
                           QCoreApplication::translate("main", "Livro de Caixa"),
                           start.folder.reason());
        return 1;
    }
    return runWindows(app, start.dataDir, start.serverUrl);
}
