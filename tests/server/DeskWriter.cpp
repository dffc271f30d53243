// desk-writer URL SEED COUNT
//
// One cash desk writing to a server book as the program does: new entries
// mostly, edits (moving entries between accounts and days) and deletions of
// any desk's entries, COUNT changes (0: until killed). Each change is told
// before it is tried ("try ...") and after its commit ("done ..."); a change
// another desk's deletion got ahead of is told as "gone". The tests run
// several at once and check the book against what they told.

#include "Mutation.h"
#include "WriterLines.h"
#include "book/EntryStore.h"
#include "core/DbConnection.h"
#include "core/Sql.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// Any desk's entry: the desks work on the same entries on purpose.
std::optional<qint64> someEntry(DbConnection& db, Mutation::Random& random)
{
    const auto last = Sql::scalar(db.database(), QStringLiteral("select max(id) from caixa"));
    if (!last || last->isNull())
        return std::nullopt;
    const auto id =
        Sql::scalar(db.database(), QStringLiteral("select min(id) from caixa where id >= ?"),
                    {1 + random.below(last->toLongLong())});
    if (!id || id->isNull())
        return std::nullopt;
    return id->toLongLong();
}

bool gone(const Status& failure)
{
    return failure.reason().contains(QStringLiteral("não existe mais"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 3;
    const auto address = ServerAddress::parse(QString::fromLocal8Bit(argv[1]));
    const QByteArray seed = argv[2];
    const qint64 count = QByteArray(argv[3]).toLongLong();
    DbConnection db;
    if (!address || !db.openServer(*address))
        return 2;
    EntryStore store(db);
    Mutation::Random random(seed.toULongLong());
    say(QStringLiteral("ready"));
    for (qint64 n = 0; count == 0 || n < count; ++n) {
        const qint64 pick = random.below(10);
        const QString name = QStringLiteral("Caixa %1 nº %2").arg(QString::fromLatin1(seed)).arg(n);
        const auto target = pick < 6 ? std::nullopt : someEntry(db, random);
        if (!target) {
            say(QStringLiteral("try\tadd"));
            const auto id = store.save(0, randomEntry(random, name, 3));
            if (!id) {
                say(QStringLiteral("failed\t") + id.reason());
                return 1;
            }
            say(QStringLiteral("done\tadd\t%1").arg(*id));
        } else if (pick < 9) {
            say(QStringLiteral("try\tedit\t%1").arg(*target));
            const auto id = store.save(*target, randomEntry(random, name, 3));
            if (!id && !gone(id.status())) {
                say(QStringLiteral("failed\t") + id.reason());
                return 1;
            }
            say(QStringLiteral("%1\tedit\t%2").arg(id ? u"done" : u"gone").arg(*target));
        } else {
            say(QStringLiteral("try\tdelete\t%1").arg(*target));
            const Status removed = store.remove(*target);
            if (!removed && !gone(removed)) {
                say(QStringLiteral("failed\t") + removed.reason());
                return 1;
            }
            say(QStringLiteral("%1\tdelete\t%2").arg(removed ? u"done" : u"gone").arg(*target));
        }
    }
    say(QStringLiteral("finished"));
    return 0;
}
