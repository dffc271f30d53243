#include "FakeDialogs.h"
#include "Mutation.h"
#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "core/DbConnection.h"
#include "core/Sql.h"
#include "legacy/AccessMigration.h"

#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Mutant number n of a file: bit flips (up to 4, or up to 64), a cut, or a
// page of zeros.
QByteArray mutant(const QByteArray& good, int n)
{
    const auto seed = std::uint64_t(n) * 7919 + 17;
    if (n % 4 < 2)
        return Mutation::flipBits(good, seed, 1 + int(seed % (n % 4 == 0 ? 4 : 64)));
    return n % 4 == 2 ? Mutation::truncated(good, seed) : Mutation::zeroedPage(good, seed, 4096);
}

// What a book holds, table by table; `indexedOnly` keeps the columns that
// SQLite's integrity check vouches for through an index.
QStringList contentOf(DbConnection& db, bool indexedOnly)
{
    const QStringList statements =
        indexedOnly
            ? QStringList{u"select id, idconta, data, hora, entrada, saida from caixa order by id"_s,
                          u"select id, descricao from contas order by id"_s,
                          u"select id, usuario from usuarios order by id"_s}
            : QStringList{u"select * from caixa order by id"_s,
                          u"select * from contas order by id"_s,
                          u"select * from saldos order by data"_s, u"select * from opcoes"_s,
                          u"select * from usuarios order by id"_s};
    QStringList content;
    for (const QString& sql : statements) {
        auto q = Sql::run(db.database(), sql);
        if (!q) {
            content.append(u"unreadable: "_s + q.reason());
            continue;
        }
        while (q->next()) {
            QStringList row;
            for (int i = 0; i < q->record().count(); ++i)
                row.append(q->value(i).toString());
            content.append(row.join(u'|'));
        }
    }
    return content;
}

// The test process's peak resident memory.
qint64 peakResidentBytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

QByteArray goodBook()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"bd.mdb"_s);
    DbConnection db;
    if (!db.open(path))
        qFatal("no book");
    for (const QString& name : {u"CAIXA"_s, u"BANCO D'ÁVILA"_s, u"SERVIÇOS"_s})
        static_cast<void>(AccountBook(db).create(name));
    const auto run = [&](const QString& sql) {
        if (!Sql::exec(db.database(), sql))
            qFatal("%s", qPrintable(sql));
    };
    run(u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 120) "
        "insert into caixa (idconta, data, hora, ndoc, descricao, entrada, saida) select i % 3 + "
        "1, '2026-11-' || printf('%02d', i % 28 + 1), printf('%02d:%02d:00', i % 24, i % 60), "
        "'NF ' || i, 'Lançamento número ' || i, case when i % 2 then i * 10000 end, case when "
        "i % 2 = 0 then i * 2500 end from n"_s);
    run(u"insert into usuarios (usuario, nome, senha, restrito) values ('maria', 'Maria', "
        "'$argon2id$x', 0)"_s);
    run(u"insert into opcoes (susuario, corfundoentrada, qtdarquivosbkp) values (0, '255', 5)"_s);
    run(u"insert into saldos (data, saldo) values ('2026-11-01', 10000)"_s);
    db.close();
    return fileBytes(path);
}

} // namespace

// Damaged files by the hundred, the same on every run: a book of this
// program and an Access book of the older one, with bits flipped, cut short
// or with a page of zeros. Each is refused with a reason and left as it was,
// or opened with what the file vouches for intact; never a crash, a hang or
// memory without bound.
class tst_Mutation : public QObject
{
    Q_OBJECT

private slots:
    void damagedBooks()
    {
        const QByteArray good = goodBook();
        QStringList original, originalAll;
        {
            QTemporaryDir dir;
            writeFile(dir.filePath(u"bd.mdb"_s), good);
            DbConnection db;
            QVERIFY(db.open(dir.filePath(u"bd.mdb"_s)).ok());
            original = contentOf(db, true);
            originalAll = contentOf(db, false);
        }
        int refused = 0, same = 0, otherText = 0;
        for (int n = 0; n < 240; ++n) {
            const QByteArray bytes = mutant(good, n);
            QTemporaryDir dir;
            const QString path = dir.filePath(u"bd.mdb"_s);
            writeFile(path, bytes);
            DbConnection db;
            const Status opened = db.open(path);
            if (!opened) {
                ++refused;
                QVERIFY2(!opened.reason().isEmpty(), qPrintable(QString::number(n)));
                QVERIFY2(fileBytes(path) == bytes,
                         qPrintable(u"mutant %1 was written to"_s.arg(n)));
                QCOMPARE(filesIn(dir.path()), QStringList{u"bd.mdb"_s});
                continue;
            }
            QVERIFY2(contentOf(db, true) == original,
                     qPrintable(u"mutant %1 opened with other amounts, dates or ids"_s.arg(n)));
            const QStringList everything = contentOf(db, false);
            QVERIFY2(!everything.join(u'\n').contains(u"unreadable: "_s),
                     qPrintable(u"mutant %1: %2"_s.arg(n).arg(everything.join(u'\n'))));
            ++(everything == originalAll ? same : otherText);
        }
        qInfo("book mutants: %d refused, %d opened as the original, %d opened with a text the "
              "file does not vouch for changed",
              refused, same, otherText);
    }

    void damagedAccessBooks()
    {
        const QByteArray good = fileBytes(QStringLiteral(LIVRO_LEGACY_DATA "/bd-completo.mdb"));
        QStringList reference;
        {
            QTemporaryDir dir;
            writeFile(dir.filePath(u"bd.mdb"_s), good);
            FakeDialogs dialogs;
            QVERIFY(AccessMigration::migrate(dir.filePath(u"bd.mdb"_s),
                                             QStringLiteral(LIVRO_MDB_READER), dialogs)
                        .ok());
            DbConnection db;
            QVERIFY(db.open(dir.filePath(u"bd.mdb"_s)).ok());
            reference = contentOf(db, false);
        }
        ReaderProcess::Limits limits;
        limits.quietSeconds = 10;
        limits.totalSeconds = 30;
        limits.memoryBytes = 768LL << 20;
        int refused = 0, same = 0, changed = 0;
        for (int n = 0; n < 160; ++n) {
            // The first is the damaged file that once sent libmdb round in circles.
            const QByteArray bytes = n == 0 ? Mutation::flipBits(good, Mutation::kRunawayAccessSeed,
                                                                 Mutation::kRunawayAccessFlips)
                                            : mutant(good, n);
            QTemporaryDir dir;
            const QString path = dir.filePath(u"bd.mdb"_s);
            writeFile(path, bytes);
            FakeDialogs dialogs;
            const auto converted =
                AccessMigration::migrate(path, QStringLiteral(LIVRO_MDB_READER), dialogs, limits);
            if (!converted) {
                ++refused;
                QVERIFY(!converted.reason().isEmpty());
                QVERIFY2(fileBytes(path) == bytes, qPrintable(u"mutant %1 was changed"_s.arg(n)));
                QCOMPARE(filesIn(dir.path()), QStringList{u"bd.mdb"_s});
                continue;
            }
            QCOMPARE(fileBytes(converted->keptOriginal), bytes);
            DbConnection db;
            const Status opened = db.open(path);
            QVERIFY2(opened.ok(), qPrintable(opened.reason()));
            // Jet keeps no checksums: a flipped bit inside a value is a
            // different value, which no reader can tell. Rows are never lost.
            const QStringList content = contentOf(db, false);
            QCOMPARE(content.size(), reference.size());
            ++(content == reference ? same : changed);
        }
        qInfo("Access mutants: %d refused, %d converted as the original, %d converted with a "
              "value changed inside a row",
              refused, same, changed);
        qInfo("peak memory of the test: %lld MB", peakResidentBytes() >> 20);
        QVERIFY(peakResidentBytes() < (1536LL << 20));
    }
};

LIVRO_TEST(tst_Mutation)
#include "tst_Mutation.moc"
