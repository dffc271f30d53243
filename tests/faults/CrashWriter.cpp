// crash-writer BOOK SEED
//
// Writes to BOOK as the program does, one change after another, until it is
// killed: new entries mostly, some edits (moving entries between accounts)
// and some deletions. Before each change it prints "try" and the change,
// after its commit "done": the crash test kills it at a random moment and
// checks the book against what was confirmed.

#include "Mutation.h"
#include "WriterLines.h"
#include "book/EntryStore.h"
#include "core/BookLock.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Sql.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString describe(const EntryStore::Entry& e)
{
    return QStringList{Formats::dbDate(e.data),
                       Formats::dbTime(e.hora),
                       e.account,
                       e.descricao,
                       QString::number(e.entrada.units()),
                       QString::number(e.saida.units())}
        .join(u'\t');
}

QList<qint64> existingIds(DbConnection& db)
{
    QList<qint64> ids;
    auto q = Sql::run(db.database(), QStringLiteral("select id from caixa order by id"));
    while (q && q->next())
        ids.append(q->value(0).toLongLong());
    return ids;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 3;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QByteArray seed = argv[2];
    BookLock lock(path);
    if (lock.take() != BookLock::Outcome::Taken)
        return 2;
    DbConnection db;
    if (!db.open(path))
        return 2;
    QList<qint64> ids = existingIds(db);
    EntryStore store(db);
    Mutation::Random random(seed.toULongLong());
    say(QStringLiteral("ready"));
    for (qint64 n = 0;; ++n) {
        const qint64 pick = random.below(10);
        const QString name =
            QStringLiteral("Lançamento %1-%2").arg(QString::fromLatin1(seed)).arg(n);
        if (pick < 9 || ids.isEmpty()) {
            const bool add = pick < 6 || ids.isEmpty();
            const qint64 id = add ? 0 : ids.at(random.below(ids.size()));
            const EntryStore::Entry e = randomEntry(random, name, 5);
            say(QStringLiteral("try\t%1\t%2\t").arg(QLatin1String(add ? "add" : "edit")).arg(id) +
                describe(e));
            const auto saved = store.save(id, e);
            if (!saved)
                return 1;
            if (add)
                ids.append(*saved);
            say(QStringLiteral("done\t%1").arg(add ? *saved : id));
        } else {
            const qint64 id = ids.takeAt(random.below(ids.size()));
            say(QStringLiteral("try\tdelete\t%1").arg(id));
            if (!store.remove(id))
                return 1;
            say(QStringLiteral("done\t%1").arg(id));
        }
    }
}
