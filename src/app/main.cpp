// Livro de Caixa: parse the command line, build the objects, show the first window.

#include "app/Shell.h"
#include "app/Startup.h"
#include "app/StoredSecrets.h"
#include "cashbook/frmPrincipal.h"
#include "core/BookLock.h"
#include "core/Clock.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/FileAccess.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "users/frmLogin.h"
#include "widgets/QtDialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace {

struct CommandLine
{
    QString dataDir;
    bool disableLogin = false;
};

void describeApplication(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("livro-caixa"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LIVRO_VERSION));
    // Qt's own texts (the buttons of the message boxes among them) in Portuguese.
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_pt_BR"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

// --help, --version and --disable-login work without a display.
bool runsWithoutWindows(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version" || arg == "--disable-login")
            return true;
    }
    return false;
}

CommandLine parseCommandLine(QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Livro de Caixa: livro de caixa para pequenos negócios."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Pasta de dados com o livro de caixa bd.mdb e a pasta "
                       "Backups (criada quando não existe)."),
        QStringLiteral("DIR"));
    const QCommandLineOption disableLogin(
        QStringLiteral("disable-login"),
        QStringLiteral("Desliga o login de usuários do livro de caixa da pasta "
                       "de dados e termina."));
    parser.addOption(dataDir);
    parser.addOption(disableLogin);
    parser.process(app);
    return {parser.value(dataDir), parser.isSet(disableLogin)};
}

QString dataFolder(const CommandLine& commandLine)
{
    const QString dir =
        DataFolder::resolve(commandLine.dataDir, QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    // A data folder the program creates is private to the user.
    if (const Status made = FileAccess::makeFolder(dir); !made) {
        std::fprintf(stderr, "livro-caixa: não foi possível criar a pasta de dados: %s\n",
                     qPrintable(made.reason()));
        return QString();
    }
    return dir;
}

// Writing to the book needs it for this program alone, as at start-up; there
// is nobody to ask here whether another computer's lock may be taken over.
Status lockForCommandLine(BookLock& lock)
{
    switch (lock.take()) {
    case BookLock::Outcome::Taken:
        return Status::success();
    case BookLock::Outcome::HeldHere:
    case BookLock::Outcome::HeldElsewhere:
        return Status::failure(BookLock::heldText(lock.bookPath(), lock.holder()));
    case BookLock::Outcome::Failed:
        break;
    }
    return Status::failure(lock.failure());
}

int disableLogin(const QString& dir)
{
    BookLock lock(DataFolder::bookPath(dir));
    DbConnection db;
    Status done = lockForCommandLine(lock);
    if (done)
        done = db.open(DataFolder::bookPath(dir));
    if (done)
        done = SettingsStore::disableLogin(db);
    if (!done) {
        std::fprintf(stderr, "livro-caixa: o login não foi desligado: %s\n",
                     qPrintable(done.reason()));
        return 1;
    }
    std::printf("Login de usuários desligado no livro de caixa %s.\n",
                qPrintable(QDir::toNativeSeparators(DataFolder::bookPath(dir))));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (runsWithoutWindows(argc, argv)) {
        QCoreApplication app(argc, argv);
        describeApplication(app);
        const CommandLine commandLine = parseCommandLine(app); // --help and --version exit here
        const QString dir = dataFolder(commandLine);
        return dir.isEmpty() ? 1 : disableLogin(dir);
    }
    QApplication app(argc, argv);
    describeApplication(app);
    QApplication::setApplicationDisplayName(QStringLiteral("Livro de Caixa"));
    const QString dir = dataFolder(parseCommandLine(app));
    if (dir.isEmpty())
        return 1;

    DbConnection db;
    QtDialogs dialogs;
    SystemClock clock;
    Session session(db, dialogs, clock, dir);
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
