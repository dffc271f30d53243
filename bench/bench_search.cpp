// How fast the search of entries finds the first results in a big book,
// against a plain scan of the same book (LIKE on the texts, the amount
// columns without their indexes), and what the word index costs.
//
//   bench_search [--book PATH] [--rebuild] [--server URL | --no-server] [--explain]
//                [--upgrade]
//
// The book (1,000,000 entries over three years, 20 accounts) is the one the
// grid benchmark builds and keeps at PATH (default:
// /tmp/livro-caixa-bench/bd.mdb); it is only read. The search works on a
// copy beside it (search/bd.mdb) that gets the word index, built once and
// kept; --rebuild builds it again.
//
// Then the same searches on the same book on a PostgreSQL server over its
// local socket: a server of its own in /tmp/livro-caixa-bench/pg
// (scripts/pg-test-server.sh), started and stopped here, unless --server
// gives one. The book is copied there once, into the database
// livro_bench_search, and kept for later runs (--rebuild copies it again).
// --explain prints how each engine runs each search; --upgrade then takes
// the server book back to the version before the search's indexes and
// times its upgrade.

#include "BenchServer.h"
#include "BenchSupport.h"

#include "book/BookTransfer.h"
#include "book/EntrySearch.h"
#include "book/EntryStore.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/SchemaVersion.h"
#include "core/SearchIndex.h"
#include "core/ServerAddress.h"
#include "core/Sql.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

struct Timing
{
    double first = 0;  // the first run: a new statement, pages maybe not cached
    double median = 0; // of the runs after it
    double cpu = 0;    // the median's processor time, which other work on the
                       // machine does not stretch
};

Timing timeIt(const std::function<void()>& run)
{
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < kRuns + 1; ++i) {
        const double cpuBefore = cpuMilliseconds();
        const Bench::Stopwatch watch;
        run();
        times.push_back(watch.seconds() * 1000.0);
        cpu.push_back(cpuMilliseconds() - cpuBefore);
    }
    const double first = times.front();
    times.erase(times.begin());
    cpu.erase(cpu.begin());
    return {first, median(times), median(cpu)};
}

void must(const Status& done, const char* what)
{
    if (!done)
        qFatal("%s: %s", what, qPrintable(done.reason()));
}

// The search copy with its index, built when missing.
QString prepareCopy(const QString& source, bool rebuild)
{
    const QString copy =
        QDir(QFileInfo(source).absolutePath()).filePath(QStringLiteral("search/bd.mdb"));
    QDir().mkpath(QFileInfo(copy).absolutePath());
    if (rebuild || !QFileInfo::exists(copy) ||
        QFileInfo(copy).lastModified() < QFileInfo(source).lastModified()) {
        QFile::remove(copy);
        if (!QFile::copy(source, copy))
            qFatal("cannot copy the book to %s", qPrintable(copy));
    }
    DbConnection db;
    must(db.open(copy), "open");
    const auto present = SearchIndex::exists(db);
    must(present.status(), "index");
    if (!*present) {
        const qint64 before = QFileInfo(copy).size();
        SilentProgress quiet;
        const Bench::Stopwatch watch;
        must(SearchIndex::create(db, quiet), "building the index");
        std::printf("word index built in %.1f s; the book grew from %.0f MB to %.0f MB\n",
                    watch.seconds(), double(before) / 1e6, double(QFileInfo(copy).size()) / 1e6);
    }
    return copy;
}

// The plain scan a search without indexes would make.
// The server's "like" minds capitals ("ilike" does not, as SQLite's), and
// its indexes are kept out by settings instead of SQLite's "+column".
qint64 plainScan(DbConnection& db, QString where, const QVariantList& values)
{
    const bool server = db.isServer();
    if (server) {
        where.replace(QStringLiteral(" like "), QStringLiteral(" ilike "));
        where.replace(QStringLiteral("+c."), QStringLiteral("c."));
        must(Sql::exec(db.database(), QStringLiteral("set enable_indexscan = off")), "set");
        must(Sql::exec(db.database(), QStringLiteral("set enable_bitmapscan = off")), "set");
    }
    auto q = Sql::run(db.database(),
                      QStringLiteral("select c.id from caixa c left join contas a on "
                                     "a.id = c.idconta where ") +
                          where +
                          QStringLiteral(" order by c.data desc, c.hora desc, c.id desc limit ?"),
                      QVariantList(values) << EntrySearch::kFirstResults);
    must(q.status(), "plain scan");
    qint64 rows = 0;
    while (q->next())
        ++rows;
    if (server) {
        must(Sql::exec(db.database(), QStringLiteral("reset enable_indexscan")), "reset");
        must(Sql::exec(db.database(), QStringLiteral("reset enable_bitmapscan")), "reset");
    }
    return rows;
}

QString likeWords(const QStringList& words, QVariantList& values)
{
    QStringList parts;
    for (const QString& word : words) {
        parts.append(QStringLiteral("(c.descricao like ? or c.ndoc like ? or a.descricao like ?)"));
        const QString pattern = u'%' + word + u'%';
        values << pattern << pattern << pattern;
    }
    return parts.join(QStringLiteral(" and "));
}

struct Case
{
    const char* name;
    SearchCriteria criteria;
    QString plainWhere;
    QVariantList plainValues;
};

bool explain = false;

void printPlan(DbConnection& db, const SearchCriteria& criteria)
{
    const auto plan = EntrySearch(db).plan(criteria);
    must(plan.status(), "plan");
    for (const QString& line : *plan)
        std::printf("      %s\n", qPrintable(line));
}

void measure(DbConnection& db, const Case& c)
{
    const EntrySearch search(db);
    qint64 found = 0;
    const Timing rows = timeIt([&] {
        const auto entries = search.find(c.criteria);
        must(entries.status(), c.name);
        found = entries->size();
    });
    qint64 total = 0;
    const Timing count = timeIt([&] {
        const auto n = search.count(c.criteria);
        must(n.status(), c.name);
        total = *n;
    });
    std::vector<double> plain;
    qint64 plainRows = 0;
    for (int i = 0; i < 3; ++i) {
        const Bench::Stopwatch watch;
        plainRows = plainScan(db, c.plainWhere, c.plainValues);
        plain.push_back(watch.seconds() * 1000.0);
    }
    std::printf("%-36s %4lld rows | first %6.1f ms, median %6.1f ms (cpu %5.1f) | count %7lld "
                "in %6.1f ms | plain scan %7.1f ms (%lld rows)\n",
                c.name, found, rows.first, rows.median, rows.cpu, total, count.median,
                median(plain), plainRows);
    if (explain)
        printPlan(db, c.criteria);
    std::fflush(stdout);
}

QList<Case> cases(DbConnection& db)
{
    // An amount and a document number that the book holds, from its middle.
    const auto amountUnits = Sql::scalar(
        db.database(), QStringLiteral("select entrada + saida from caixa where id = ?"), {500000});
    must(amountUnits.status(), "amount");
    const Money amount = Money::fromUnits(amountUnits->toLongLong());
    const auto ndoc = Sql::scalar(
        db.database(), QStringLiteral("select ndoc from caixa where ndoc is not null and id > ?"),
        {500000});
    must(ndoc.status(), "ndoc");
    const QString number = ndoc->toString().section(u' ', 1);
    const QVariantList byAmount{amount.toDb(), amount.toDb()};
    const QDate monthStart(2025, 6, 1);
    const QDate monthEnd(2025, 6, 30);

    QList<Case> list;
    const auto words = [&](const char* name, const QString& typed) {
        QVariantList values;
        const QString where = likeWords(EntrySearch::words(typed), values);
        list.append({name, SearchCriteria{typed, {}, {}, {}, {}}, where, values});
    };
    words("word, common (\"venda\")", QStringLiteral("venda"));
    words("word, rarer (\"geladeira\")", QStringLiteral("geladeira"));
    words("accents and capitals (\"MANUTENÇÃO\")", QStringLiteral("MANUTENÇÃO"));
    words("two words, any order", QStringLiteral("luz conta"));
    words("prefix being typed (\"ven\")", QStringLiteral("ven"));
    words("one letter (\"v\")", QStringLiteral("v"));
    words("document (\"nf NUMBER\")", QStringLiteral("nf ") + number);
    words("document number alone", number);
    words("account name (\"conta\")", QStringLiteral("conta"));
    // A single digit begins thousands of document numbers: the index merges
    // them all before the first result, the slowest kind of word.
    words("account and one digit (\"conta 7\")", QStringLiteral("conta 7"));
    words("no such word", QStringLiteral("inexistente"));
    list.append({"amount", SearchCriteria{QString(), {}, {}, {}, amount},
                 QStringLiteral("(+c.entrada = ? or +c.saida = ?)"), byAmount});
    QVariantList wordAndAmount;
    const QString likeVenda = likeWords({QStringLiteral("venda")}, wordAndAmount);
    list.append({"amount and a word", SearchCriteria{QStringLiteral("venda"), {}, {}, {}, amount},
                 QStringLiteral("(+c.entrada = ? or +c.saida = ?) and ") + likeVenda,
                 QVariantList(byAmount) << wordAndAmount});
    QVariantList inMonth;
    const QString likeLuz = likeWords({QStringLiteral("luz")}, inMonth);
    inMonth << Formats::dbDate(monthStart) << Formats::dbDate(monthEnd.addDays(1));
    list.append({"word in one month",
                 SearchCriteria{QStringLiteral("luz"), monthStart, monthEnd, {}, {}},
                 likeLuz + QStringLiteral(" and +c.data >= ? and +c.data < ?"), inMonth});
    QVariantList ofAccount;
    const QString likeVenda2 = likeWords({QStringLiteral("venda")}, ofAccount);
    ofAccount << 7;
    list.append({"word of one account",
                 SearchCriteria{QStringLiteral("venda"), {}, {}, qint64(7), {}},
                 likeVenda2 + QStringLiteral(" and +c.idconta = ?"), ofAccount});
    return list;
}

// What keeping the index in step adds to a save: entries saved and deleted
// through the cash-book layer, each in its own transaction as the form does.
void measureWrites(DbConnection& db)
{
    EntryStore store(db);
    const auto account = Sql::scalar(db.database(), QStringLiteral("select descricao from contas "
                                                                   "where id = 1"));
    must(account.status(), "account");
    const EntryStore::Entry entry{QDate(2025, 12, 31),
                                  QTime(18, 0),
                                  account->toString(),
                                  QStringLiteral("NF 1"),
                                  QStringLiteral("Teste de gravação"),
                                  *Money::fromCents(1000),
                                  Money()};
    constexpr int kWrites = 50;
    std::vector<qint64> ids;
    const Bench::Stopwatch saving;
    for (int i = 0; i < kWrites; ++i) {
        const auto id = store.save(0, entry);
        must(id.status(), "save");
        ids.push_back(*id);
    }
    const double save = saving.seconds() * 1000.0 / kWrites;
    const Bench::Stopwatch deleting;
    for (const qint64 id : ids)
        must(store.remove(id), "delete");
    const double remove = deleting.seconds() * 1000.0 / kWrites;
    std::printf("saving an entry with the index kept: %.1f ms; deleting one: %.1f ms "
                "(each a transaction synced to disk)\n",
                save, remove);
    std::fflush(stdout);
}

// The book on the server, copied from the file book when the database does
// not hold all of it yet.
void prepareServerBook(DbConnection& server, ServerAddress address, const QString& source,
                       bool rebuild)
{
    address.database = QStringLiteral("livro_bench_search");
    if (!rebuild && server.openServer(address)) {
        const auto entries =
            Sql::scalar(server.database(), QStringLiteral("select count(*) from caixa"));
        if (entries && entries->toLongLong() == 1000000)
            return;
    }
    server.close();
    Bench::administer(address, QStringLiteral("drop database if exists livro_bench_search"));
    Bench::administer(address, QStringLiteral("create database livro_bench_search"));
    must(server.openServer(address), "the server book");
    DbConnection file;
    must(file.open(source), "the file book");
    const Bench::Stopwatch watch;
    must(BookTransfer::copyInto(file, server), "the copy to the server");
    std::printf("book copied to the server, with its indexes, and checked in %.1f s\n",
                watch.seconds());
}

// A book of the version before, upgraded as a desk upgrades it when it
// opens the book: the folded texts computed and the indexes built.
void measureUpgrade(DbConnection& db, ServerAddress address)
{
    const QSqlDatabase book = db.database();
    for (const char* statement :
         {"drop index caixa_busca_trgm", "drop index caixa_entrada", "drop index caixa_saida",
          "alter table caixa drop column busca", "update schema_version set version = 2"})
        must(Sql::exec(book, QString::fromLatin1(statement)), statement);
    address.database = QStringLiteral("livro_bench_search");
    const Bench::Stopwatch watch;
    must(db.openServer(address), "the upgrade");
    std::printf("upgrade of the book from version 2 (folded texts, trigram and amount indexes): "
                "%.1f s\n",
                watch.seconds());
}

void measureServer(const QStringList& args, const QString& source)
{
    const QString root = QDir::temp().filePath(QStringLiteral("livro-caixa-bench/pg"));
    QString url;
    if (const qsizetype i = args.indexOf(QStringLiteral("--server")); i >= 0 && i + 1 < args.size())
        url = args.at(i + 1);
    const bool ownServer = url.isEmpty();
    if (ownServer)
        url = Bench::serverScript({QStringLiteral("start"), root});
    const auto address = ServerAddress::parse(url);
    must(address.status(), "server address");
    {
        DbConnection db;
        prepareServerBook(db, *address, source, args.contains(QStringLiteral("--rebuild")));
        const auto size = Sql::scalar(
            db.database(),
            QStringLiteral("select pg_size_pretty(pg_table_size('caixa')) || ', trigram index ' "
                           "|| pg_size_pretty(pg_relation_size('caixa_busca_trgm'))"));
        must(size.status(), "sizes");
        std::printf("\nPostgreSQL, local socket: %s (schema version %d)\n",
                    qPrintable(size->toString()), SchemaVersion::current());
        for (const Case& c : cases(db))
            measure(db, c);
        measureWrites(db);
        if (args.contains(QStringLiteral("--upgrade")))
            measureUpgrade(db, *address);
    }
    if (ownServer)
        Bench::serverScript({QStringLiteral("stop"), root});
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QString path = QDir::temp().filePath(QStringLiteral("livro-caixa-bench/bd.mdb"));
    if (const qsizetype i = args.indexOf(QStringLiteral("--book")); i >= 0 && i + 1 < args.size())
        path = args.at(i + 1);
    QDir().mkpath(QFileInfo(path).absolutePath());
    Bench::ensureBook(path, 1000000, QDate(2023, 1, 1), QDate(2025, 12, 31), 20);
    const QString copy = prepareCopy(path, args.contains(QStringLiteral("--rebuild")));
    std::printf("book: %s (%.0f MB with the word index)\n", qPrintable(copy),
                double(QFileInfo(copy).size()) / 1e6);
    std::printf("first %d results, newest first; times are wall clock on this machine\n",
                EntrySearch::kFirstResults);

    explain = args.contains(QStringLiteral("--explain"));
    {
        DbConnection db;
        must(db.open(copy), "open");
        for (const Case& c : cases(db))
            measure(db, c);
        measureWrites(db);
    }
    if (!args.contains(QStringLiteral("--no-server")))
        measureServer(args, path);
    return 0;
}
