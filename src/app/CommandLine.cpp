#include "app/CommandLine.h"

#include "core/BookLock.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/FileAccess.h"
#include "core/SettingsStore.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString userDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

} // namespace

QString CommandLine::description(const QString& userDataDir)
{
    return tr("Livro de Caixa: livro de caixa para pequenos negócios.\n\n"
              "A pasta de dados guarda o livro de caixa, bd.mdb, e a pasta Backups. É:\n"
              "  1. a pasta dada com --data-dir (criada quando não existe);\n"
              "  2. senão, a pasta do próprio programa, quando já há um bd.mdb nela;\n"
              "  3. senão, %1.\n"
              "Quando a pasta não tem bd.mdb, um livro de caixa novo e vazio é criado.\n\n"
              "livro-caixa report grava o relatório de um período em PDF ou XLSX sem abrir "
              "janela (veja livro-caixa report --help).")
        .arg(native(userDataDir));
}

CommandLine::Options CommandLine::parse(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description(userDataDir()));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        tr("Pasta de dados com o livro de caixa bd.mdb e a pasta Backups (criada quando não "
           "existe)."),
        QStringLiteral("DIR"));
    const QCommandLineOption disableLogin(
        QStringLiteral("disable-login"),
        tr("Desliga o login de usuários do livro de caixa da pasta de dados e termina."));
    const QCommandLineOption database(
        QStringLiteral("database"),
        tr("Usa o livro de caixa do servidor PostgreSQL dado pela URL "
           "(postgresql://usuario@servidor/banco) em vez do arquivo bd.mdb."),
        QStringLiteral("URL"));
    const QCommandLineOption copyBookTo(
        QStringLiteral("copy-book-to"),
        tr("Copia o livro de caixa da pasta de dados para o banco de dados vazio do servidor "
           "PostgreSQL dado pela URL, confere a cópia e termina."),
        QStringLiteral("URL"));
    parser.addOption(dataDir);
    parser.addOption(disableLogin);
    parser.addOption(database);
    parser.addOption(copyBookTo);
    parser.process(app);
    return {parser.value(dataDir), parser.isSet(disableLogin), parser.value(database),
            parser.value(copyBookTo)};
}

QString CommandLine::dataFolder(const Options& options)
{
    return DataFolder::resolve(options.dataDir, QCoreApplication::applicationDirPath(),
                               userDataDir());
}

Status CommandLine::prepare(const QString& dataDir)
{
    const QFileInfo info(dataDir);
    if (info.exists() && !info.isDir())
        return Status::failure(
            tr("A pasta de dados %1 não pode ser usada: é um arquivo, não uma pasta.")
                .arg(native(dataDir)));
    // A data folder the program creates is private to the user.
    if (const Status made = FileAccess::makeFolder(dataDir); !made)
        return Status::failure(tr("A pasta de dados %1 não pôde ser criada (falta de permissão "
                                  "ou disco cheio): %2")
                                   .arg(native(dataDir), made.reason()));
    // A book that is there may still be read; a new one needs the right to write.
    if (!QFileInfo::exists(DataFolder::bookPath(dataDir)) && !QFileInfo(dataDir).isWritable())
        return Status::failure(tr("A pasta de dados %1 não pode receber um livro de caixa novo: "
                                  "falta permissão de escrita.")
                                   .arg(native(dataDir)));
    return Status::success();
}

namespace {

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

Status switchLoginOff(const QString& dataDir, const QString& book)
{
    if (!QFileInfo::exists(book))
        return Status::failure(CommandLine::tr("não há livro de caixa em %1").arg(native(dataDir)));
    BookLock lock(book);
    if (Status locked = lockForCommandLine(lock); !locked)
        return locked;
    DbConnection db;
    if (Status opened = db.open(book); !opened)
        return opened;
    return SettingsStore::disableLogin(db);
}

} // namespace

int CommandLine::disableLogin(const QString& dataDir)
{
    const QString book = DataFolder::bookPath(dataDir);
    const Status done = switchLoginOff(dataDir, book);
    if (!done) {
        std::fprintf(stderr, "livro-caixa: %s\n",
                     qPrintable(tr("o login não foi desligado: %1").arg(done.reason())));
        return 1;
    }
    std::printf(
        "%s\n",
        qPrintable(tr("Login de usuários desligado no livro de caixa %1.").arg(native(book))));
    return 0;
}
