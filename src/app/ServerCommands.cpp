#include "app/ServerCommands.h"

#include "book/BookTransfer.h"
#include "core/BookLock.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/ServerAddress.h"
#include "core/Sql.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

void fail(const QString& text)
{
    std::fprintf(stderr, "livro-caixa: %s\n", qPrintable(text));
}

Status openSource(const QString& dataDir, BookLock& lock, DbConnection& source)
{
    const QString book = DataFolder::bookPath(dataDir);
    if (!QFileInfo::exists(book))
        return Status::failure(ServerCommands::tr("não há livro de caixa em %1")
                                   .arg(QDir::toNativeSeparators(dataDir)));
    // Nobody writes the book while it is copied.
    if (lock.take() != BookLock::Outcome::Taken)
        return Status::failure(BookLock::heldText(book, lock.holder()));
    return source.open(book);
}

Status openTarget(const QString& url, DbConnection& target)
{
    const auto address = ServerAddress::parse(url);
    if (!address)
        return address.status();
    if (Status opened = target.openServer(*address); !opened) {
        if (target.passwordRefused())
            return Status::failure(
                ServerCommands::tr("%1\nO servidor pede uma senha: ponha-a no arquivo de senhas "
                                   "~/.pgpass (ou na URL) e tente de novo.")
                    .arg(opened.reason()));
        return opened;
    }
    if (!target.createdBook())
        return Status::failure(ServerCommands::tr("o banco de dados %1 não está vazio; a cópia "
                                                  "só é feita para um banco de dados vazio")
                                   .arg(address->display()));
    return Status::success();
}

QString countOf(DbConnection& db, const char* table)
{
    // The table names are the program's own.
    const auto count =
        Sql::scalar(db.database(), QStringLiteral("select count(*) from ") + QLatin1String(table));
    return count ? count->toString() : QStringLiteral("?");
}

} // namespace

QString ServerCommands::serverUrlFor(const QString& dataDir, const QString& databaseOption)
{
    return databaseOption.isEmpty() ? ConnectionFile::serverUrl(dataDir) : databaseOption;
}

int ServerCommands::copyBookTo(const QString& dataDir, const QString& url)
{
    BookLock lock(DataFolder::bookPath(dataDir));
    DbConnection source;
    if (Status opened = openSource(dataDir, lock, source); !opened) {
        fail(tr("o livro de caixa não foi copiado: %1").arg(opened.reason()));
        return 1;
    }
    DbConnection target;
    if (Status opened = openTarget(url, target); !opened) {
        fail(tr("o livro de caixa não foi copiado: %1").arg(opened.reason()));
        return 1;
    }
    if (Status copied = BookTransfer::copyInto(source, target); !copied) {
        fail(tr("o livro de caixa não foi copiado (o banco de dados continua vazio): %1")
                 .arg(copied.reason()));
        return 1;
    }
    std::printf("%s\n",
                qPrintable(tr("Livro de caixa %1 copiado para %2 e conferido: %3 lançamentos, %4 "
                              "contas, %5 usuários. Para usar o servidor neste computador, "
                              "escreva na pasta de dados o arquivo livro-caixa.ini com\n"
                              "[servidor]\nurl=%2\npronto")
                               .arg(QDir::toNativeSeparators(source.filePath()), target.location(),
                                    countOf(target, "caixa"), countOf(target, "contas"),
                                    countOf(target, "usuarios"))));
    return 0;
}

int ServerCommands::refuseDisableLogin(const QString& url)
{
    fail(tr("o login não foi desligado: o livro de caixa está no servidor %1. Lá, o login é "
            "desligado nas opções do programa por um usuário de nível comum, ou pelo "
            "administrador do servidor.")
             .arg(ServerAddress::parse(url) ? ServerAddress::parse(url)->display() : url));
    return 1;
}
