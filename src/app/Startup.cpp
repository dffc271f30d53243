#include "app/Startup.h"

#include "book/StoredAmounts.h"
#include "core/BookFile.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "legacy/AccessMigration.h"
#include "legacy/ReaderProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace Startup {

void describeApplication(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("livro-caixa"));
    QGuiApplication::setDesktopFileName(QString::fromUtf16(kDesktopFileName));
    // Qt's own texts (the buttons of the message boxes among them) in Portuguese.
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_pt_BR"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

QString connectionFailureText(const QString& reason)
{
    return reason + u'\n' +
           QCoreApplication::translate("Startup", "Não foi possivel conectar ao servidor");
}

namespace {

// The older program's book becomes a book of this program before it is
// opened; one that cannot be converted is left as it was and reported as a
// book that cannot be opened.
Status migrateAccessBook(Session& session, const QString& path)
{
    const QString reader =
        session.accessReader.isEmpty() ? ReaderProcess::defaultProgram() : session.accessReader;
    const auto result = AccessMigration::migrate(path, reader, session.dialogs);
    if (!result)
        return Status::failure(AccessMigration::failureText(path, result.reason()));
    session.dialogs.inform(nullptr, Dialogs::Icon::Information, AccessMigration::successTitle(),
                           AccessMigration::successText(*result));
    return Status::success();
}

QString tr(const char* text)
{
    return QCoreApplication::translate("Startup", text);
}

// Amounts another tool stored as decimals are made whole ten-thousandths,
// so every sum agrees with the grid; what cannot be done is told.
void normalizeAmounts(Session& session)
{
    const auto normalized = StoredAmounts::normalize(session.db);
    QString problem;
    if (!normalized) {
        problem = tr("Alguns valores do livro de caixa estão gravados como números decimais e "
                     "não puderam ser convertidos:\n%1\nOs totais podem não conferir com os "
                     "lançamentos.")
                      .arg(normalized.reason());
    } else if (!normalized->unreadable.isEmpty()) {
        QStringList ids;
        for (qint64 id : normalized->unreadable)
            ids.append(QString::number(id));
        problem = tr("Os valores dos lançamentos %1 não são números e foram deixados como "
                     "estão; corrija-os para que os totais confiram.")
                      .arg(ids.join(QStringLiteral(", ")));
    }
    if (!problem.isEmpty())
        session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation, tr("Atenção"), problem);
}

} // namespace

FirstWindow Main(Session& session)
{
    const QString path = DataFolder::bookPath(session.dataDir);
    Status opened = Status::success();
    if (BookFile::kind(path) == BookFile::Kind::Access)
        opened = migrateAccessBook(session, path);
    if (opened)
        opened = session.db.open(path);
    session.bookOpen = opened.ok();
    session.noBookReason = opened.reason();
    if (opened) {
        normalizeAmounts(session);
    } else {
        session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation, tr("A T E  Ç Ã O"),
                               connectionFailureText(opened.reason()));
    }
    session.CurrentUser = UserInfo();
    LoadSettings(session.db, session.Settings);
    return session.Settings.susuario ? FirstWindow::Login : FirstWindow::Main;
}

} // namespace Startup
