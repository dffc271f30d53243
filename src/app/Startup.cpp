#include "app/Startup.h"

#include "book/StoredAmounts.h"
#include "core/BookFile.h"
#include "core/BookHealth.h"
#include "core/BookLock.h"
#include "core/Clock.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/FileAccess.h"
#include "core/SearchIndex.h"
#include "core/ServerAddress.h"
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

QString tr(const char* text)
{
    return QCoreApplication::translate("Startup", text);
}

// One program at a time on a file book. A lock left by a program of this
// computer that no longer runs is taken over without a word; one of another
// computer only once the user says the program there is closed.
Status lockBook(Session& session, const QString& path)
{
    if (session.bookLock && session.bookLock->bookPath() == path && session.bookLock->isTaken())
        return Status::success();
    auto lock = std::make_unique<BookLock>(path);
    BookLock::Outcome outcome = lock->take();
    if (outcome == BookLock::Outcome::HeldElsewhere &&
        session.dialogs.askYesNo(nullptr, tr("Livro de caixa em uso"),
                                 BookLock::takeOverQuestion(path, lock->holder())))
        outcome = lock->takeOver();
    switch (outcome) {
    case BookLock::Outcome::Taken:
        session.bookLock = std::move(lock);
        return Status::success();
    case BookLock::Outcome::HeldHere:
    case BookLock::Outcome::HeldElsewhere:
        return Status::failure(BookLock::heldText(path, lock->holder()));
    case BookLock::Outcome::Failed:
        break;
    }
    return Status::failure(tr("O livro de caixa %1 não pôde ser reservado para este programa: %2")
                               .arg(QDir::toNativeSeparators(path), lock->failure()));
}

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

// The damaged file as it was, beside the book, before anything changes it.
Result<QString> keepDamagedCopy(const QString& path, const QDateTime& now)
{
    const QDir folder = QFileInfo(path).absoluteDir();
    const QString stem =
        QStringLiteral("bd-danificado-") + now.toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
    QString copy = folder.filePath(stem + QStringLiteral(".mdb"));
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = folder.filePath(stem + QStringLiteral("_%1.mdb").arg(n));
    if (Status copied = FileAccess::copy(path, copy); !copied)
        return copied;
    return copy;
}

// Indexes that disagree with their rows are rebuilt from the rows, once the
// user agrees and a copy of the damaged file is kept; anything else that is
// wrong with a book keeps it closed.
Status repairIndexes(Session& session, const QString& path, const Status& damage)
{
    const QString question =
        damage.reason() +
        tr("\n\nO programa pode guardar uma cópia do arquivo como está e reconstruir os índices a "
           "partir dos lançamentos, sem alterar nenhum lançamento. Fazer isso agora?\n\n"
           "Se responder Não, o livro de caixa não será aberto.");
    if (!session.dialogs.askYesNo(nullptr, tr("Livro de caixa danificado"), question))
        return damage;
    const auto kept = keepDamagedCopy(path, session.clock.now());
    if (!kept)
        return Status::failure(
            tr("%1\nA cópia do arquivo danificado não pôde ser feita, e nada foi alterado: %2")
                .arg(damage.reason(), kept.reason()));
    if (Status rebuilt = BookHealth::rebuildIndexes(path); !rebuilt)
        return rebuilt;
    if (Status opened = session.db.open(path); !opened)
        return opened;
    session.dialogs.inform(nullptr, Dialogs::Icon::Information, tr("Livro de caixa reparado"),
                           tr("Os índices do livro de caixa foram reconstruídos. Uma cópia do "
                              "arquivo como estava antes foi guardada em:\n%1")
                               .arg(QDir::toNativeSeparators(*kept)));
    return Status::success();
}

Status openBook(Session& session, const QString& path)
{
    const Status opened = session.db.open(path);
    if (opened || !session.db.indexesDamaged())
        return opened;
    return repairIndexes(session, path, opened);
}

// The search's word index, built once for a book that lacks it. A book that
// cannot take it (a read-only file, a full disk, a cancelled build) is used
// as it is; only the search waits for the next start.
void prepareSearch(Session& session)
{
    const Status ready = SearchIndex::ensure(session.db, session.dialogs);
    if (ready)
        return;
    session.dialogs.inform(
        nullptr, Dialogs::Icon::Exclamation, QCoreApplication::translate("Startup", "Atenção"),
        QCoreApplication::translate(
            "Startup", "A busca de lançamentos não pôde ser preparada: %1.\nO livro de caixa "
                       "pode ser usado normalmente; a busca será preparada na próxima vez que o "
                       "programa for aberto.")
            .arg(ready.reason()));
}

// A server book takes no lock: many desks use it at once.
Status openServerBook(Session& session)
{
    const auto address = ServerAddress::parse(session.serverUrl);
    if (!address)
        return address.status();
    return connectToServer(session.dialogs, nullptr, session.db, *address);
}

Status openFileBook(Session& session)
{
    const QString path = DataFolder::bookPath(session.dataDir);
    Status opened = lockBook(session, path);
    if (opened && BookFile::kind(path) == BookFile::Kind::Access)
        opened = migrateAccessBook(session, path);
    if (opened)
        opened = openBook(session, path);
    if (opened)
        normalizeAmounts(session);
    return opened;
}

} // namespace

Status connectToServer(Dialogs& dialogs, QWidget* parent, DbConnection& db, ServerAddress address)
{
    Status opened = db.openServer(address);
    for (int attempt = 0; !opened && db.passwordRefused() && attempt < 3; ++attempt) {
        const auto password = dialogs.askPassword(
            parent, tr("Senha do servidor"),
            tr("O servidor do livro de caixa pede a senha do usuário \"%1\" (%2):")
                .arg(address.user, address.display()));
        if (!password)
            break;
        address.password = *password;
        opened = db.openServer(address);
    }
    return opened;
}

FirstWindow Main(Session& session)
{
    const Status opened =
        session.serverUrl.isEmpty() ? openFileBook(session) : openServerBook(session);
    session.bookOpen = opened.ok();
    session.noBookReason = opened.reason();
    if (opened) {
        prepareSearch(session);
    } else {
        // No book in use: nothing to hold for the rest of the run.
        session.bookLock.reset();
        session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation, tr("A T E  Ç Ã O"),
                               connectionFailureText(opened.reason()));
    }
    session.CurrentUser = UserInfo();
    LoadSettings(session.db, session.Settings);
    return session.Settings.susuario ? FirstWindow::Login : FirstWindow::Main;
}

void reopen(Session& session)
{
    const Status opened = openBook(session, DataFolder::bookPath(session.dataDir));
    session.bookOpen = opened.ok();
    session.noBookReason = opened.reason();
    if (opened) {
        normalizeAmounts(session);
        prepareSearch(session);
    } else {
        session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation, tr("A T E  Ç Ã O"),
                               connectionFailureText(opened.reason()));
    }
    LoadSettings(session.db, session.Settings);
}

} // namespace Startup
