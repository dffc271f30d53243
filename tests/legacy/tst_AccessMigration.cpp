#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/DataFolder.h"
#include "legacy/ReaderProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <unistd.h>

namespace {

QString legacyBook(const QString& name)
{
    return QStringLiteral(LIVRO_LEGACY_DATA "/") + name;
}

// A data folder for one or more starts of the program.
struct DataDir : QTemporaryDir
{
    QString book() const { return ::DataFolder::bookPath(path()); }
    void put(const QByteArray& bytes, const QString& name = QStringLiteral("bd.mdb")) const
    {
        QFile out(filePath(name));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(bytes) != bytes.size())
            qFatal("could not write %s", qPrintable(out.fileName()));
    }
    QStringList files() const
    {
        return QDir(path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

// One start of the program on a data folder, with the Access reader of the
// build: the book is opened, converted first when it is an Access file.
struct Start
{
    explicit Start(const DataDir& folder) : session(db, dialogs, clock, folder.path())
    {
        session.accessReader = QStringLiteral(LIVRO_MDB_READER);
    }
    Startup::FirstWindow run() { return Startup::Main(session); }
    QVariantList row(const QString& sql, const QVariantList& values = {}) const
    {
        QSqlQuery q(db.database());
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        QVariantList result;
        if (q.exec() && q.next()) {
            for (int i = 0; i < q.record().count(); ++i)
                result.append(q.value(i));
        }
        return result;
    }
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const
    {
        return row(sql, values).value(0);
    }

    DbConnection db;
    FakeDialogs dialogs;
    FixedClock clock;
    Session session;
};

// "71096.53" in ten-thousandths, worked out without the code under test.
qint64 units(const QString& decimal)
{
    const bool negative = decimal.startsWith(u'-');
    const QStringList parts = decimal.mid(negative ? 1 : 0).split(u'.');
    const qint64 value =
        parts.at(0).toLongLong() * 10000 + parts.value(1).leftJustified(4, u'0').toLongLong();
    return negative ? -value : value;
}

QString reais(qint64 units)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(units / 10000.0, 'f', 2);
}

const QStringList kEntry{"idconta", "data", "hora", "ndoc", "descricao", "entrada", "saida"};
const QStringList kUser{"usuario", "nome",     "senha",    "email",
                        "dica",    "pergunta", "resposta", "restrito"};
const QStringList kOpcoes{"lembrar",         "susuario",      "usuario",       "corfundoentrada",
                          "corletraentrada", "corfundosaida", "corletrasaida", "bkpautomatico",
                          "qtdarquivosbkp",  "moeda",         "indioma"};
const QStringList kMoney{"entrada", "saida", "saldo"};

// A figure of the expected files as the book must store it: null and "" as
// NULL (the reader cannot tell them apart), Yes/No as 0/1, money as an
// integer of ten-thousandths.
QString stored(const QJsonValue& e, bool money = false)
{
    if (e.isNull() || e.isUndefined() || e.toString(QStringLiteral("x")).isEmpty())
        return QStringLiteral("NULL");
    if (money)
        return QString::number(units(e.toString()));
    return e.isBool() ? QString::number(int(e.toBool())) : e.toVariant().toString();
}

// A value of the book written as stored() writes it; a real number is marked.
QString shown(const QVariant& v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    return v.typeId() == QMetaType::Double ? QStringLiteral("real ") + v.toString() : v.toString();
}

// A row of a table (by its id, when the figures give one) against the figures.
void sameRow(const Start& s, const QString& table, const QStringList& columns, const QJsonObject& e)
{
    const bool byId = e.contains(u"id");
    const QVariantList r =
        s.row(QStringLiteral("select %1 from %2").arg(columns.join(u','), table) +
                  (byId ? QStringLiteral(" where id = ?") : QString()),
              byId ? QVariantList{e[u"id"].toInteger()} : QVariantList{});
    QStringList actual{table}, expected{table};
    for (qsizetype i = 0; i < columns.size(); ++i) {
        actual << columns.at(i) + u'=' +
                      (i < r.size() ? shown(r.at(i)) : QStringLiteral("missing"));
        expected << columns.at(i) + u'=' + stored(e[columns.at(i)], kMoney.contains(columns.at(i)));
    }
    QCOMPARE(actual.join(u' '), expected.join(u' '));
}

// The number of entries a filter selects and their sums of entrada and saida.
void sameSums(const Start& s, const QString& filter, const QVariant& value, const QJsonObject& e)
{
    const QVariantList r =
        s.row(QStringLiteral("select count(*), coalesce(sum(entrada), 0), coalesce(sum(saida), 0) "
                             "from caixa where ") +
                  filter,
              value.isValid() ? QVariantList{value} : QVariantList{});
    const QString what = filter + u' ' + value.toString() + u':';
    QCOMPARE(
        QStringList({what, shown(r.value(0)), shown(r.value(1)), shown(r.value(2))}).join(u' '),
        QStringList({what, stored(e[u"entries"]), stored(e[u"sum_entrada"], true),
                     stored(e[u"sum_saida"], true)})
            .join(u' '));
}

constexpr qsizetype kPage = 4096;

// Overwrites bytes with a fixed pseudo-random pattern.
QByteArray scrambled(QByteArray bytes, qsizetype from, qsizetype length)
{
    for (qsizetype i = from; i < from + length; ++i)
        bytes[i] = char((i * 7919 + 13) & 0xFF);
    return bytes;
}

// A stand-in for the reader: a shell script.
QString script(const DataDir& folder, const QByteArray& body)
{
    folder.put("#!/bin/sh\n" + body + '\n', QStringLiteral("leitor.sh"));
    const QString path = folder.filePath(QStringLiteral("leitor.sh"));
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

} // namespace

class tst_AccessMigration : public QObject
{
    Q_OBJECT

private slots:
    // Each Access book kept with the tests, dropped in as bd.mdb, is
    // converted on start with every figure its expected file lists (the older
    // layout gets the columns it lacks, empty). The original is kept byte for
    // byte under a free name, also after a run cut short before the swap; the
    // next start opens the converted book without converting again.
    void everyFigureComesOver_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("earlier"); // what an earlier conversion left
        QTest::newRow("current layout") << "bd-completo.mdb"
                                        << "196 lançamentos, 3 contas e 2 usuários"
                                        << "";
        QTest::newRow("older layout") << "bd-antigo.mdb"
                                      << "50 lançamentos, 2 contas e 2 usuários"
                                      << "original";
        QTest::newRow("empty book") << "bd-vazio.mdb"
                                    << "0 lançamentos, 0 contas e 0 usuários"
                                    << "interrupted";
    }
    void everyFigureComesOver()
    {
        QFETCH(QString, name);
        QFETCH(QString, summary);
        QFETCH(QString, earlier);
        QFile json(legacyBook(name + QStringLiteral(".expected.json")));
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject expected = QJsonDocument::fromJson(json.readAll()).object();
        const QByteArray access = fileBytes(legacyBook(name));
        DataDir folder;
        folder.put(access);
        QStringList files{QStringLiteral("bd-access-original.mdb"), QStringLiteral("bd.mdb")};
        if (earlier == u"original") {
            folder.put("anterior", files.constFirst());
            files.prepend(QStringLiteral("bd-access-original-2.mdb"));
        } else if (earlier ==
                   u"interrupted") { // the original under its kept name too, a half-written book
            const QByteArray kept = QFile::encodeName(folder.filePath(files.constFirst()));
            QCOMPARE(::link(QFile::encodeName(folder.book()).constData(), kept.constData()), 0);
            folder.put("SQLite format 3 meio escrito", QStringLiteral("bd.mdb.convertendo"));
            folder.put("", QStringLiteral("bd.mdb.convertendo-journal"));
        }
        Start start(folder);
        const Startup::FirstWindow first = start.run();

        // The user is told what came over and where the original was kept.
        QVERIFY(start.db.isOpen());
        QCOMPARE(first, expected[u"opcoes"][u"susuario"].toBool() ? Startup::FirstWindow::Login
                                                                  : Startup::FirstWindow::Main);
        QCOMPARE(start.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& told = start.dialogs.last();
        QCOMPARE(told.icon, Dialogs::Icon::Information);
        QCOMPARE(told.title, QStringLiteral("Livro de caixa convertido"));
        QVERIFY2(told.text.contains(summary) &&
                     told.text.contains(folder.filePath(files.constFirst())),
                 qPrintable(told.text));
        QCOMPARE(folder.files(), files + QStringList{QStringLiteral("bd.mdb.lock")});
        QCOMPARE(fileBytes(folder.filePath(files.constFirst())), access);
        if (earlier == u"original")
            QCOMPARE(fileBytes(folder.filePath(files.at(1))), QByteArray("anterior"));

        // The progress window counted every row, reading and then writing.
        const QJsonObject counts = expected[u"row_counts"].toObject();
        qint64 rows = 0;
        for (auto it = counts.begin(); it != counts.end(); ++it) {
            QCOMPARE(start.scalar(QStringLiteral("select count(*) from ") + it.key()).toLongLong(),
                     it->toInteger());
            rows += it->toInteger();
        }
        QCOMPARE(start.dialogs.progressShown.size(), 1);
        const FakeDialogs::ProgressShown& progress = start.dialogs.progressShown.constFirst();
        QCOMPARE(progress.maximum, rows);
        QCOMPARE(progress.values.constLast(), rows);

        // Entries keep their account, even one that no longer exists; a
        // stored balance comes over as stored, stale or not.
        for (const QJsonValue& account : expected[u"accounts"].toArray()) {
            sameSums(start, QStringLiteral("idconta = ?"), account[u"id"].toInteger(),
                     account.toObject());
            if (account[u"in_contas"].toBool())
                sameRow(start, QStringLiteral("contas"),
                        {QStringLiteral("descricao"), QStringLiteral("saldo")}, account.toObject());
        }
        for (const QJsonValue& day : expected[u"days"].toArray())
            sameSums(start, QStringLiteral("data = ?"), day[u"data"].toString(), day.toObject());

        // An empty ndoc is NULL, as is every ndoc of the older layout, which
        // has none; amounts are integers, dates and times text.
        const QJsonObject t = expected[u"caixa_totals"].toObject();
        const qint64 entries = t[u"entries"].toInteger();
        sameSums(start, QStringLiteral("1 = 1"), QVariant(), t);
        QCOMPARE(
            start.row(QStringLiteral(
                "select count(*) filter (where entrada is null), count(*) filter (where saida is "
                "null), "
                "count(*) filter (where entrada < 0), count(*) filter (where hora = '00:00:00'), "
                "count(*) filter (where ndoc is null), count(*) filter (where typeof(entrada) not "
                "in "
                "('integer', 'null') or typeof(saida) not in ('integer', 'null') or typeof(data) "
                "<> 'text' "
                "or typeof(hora) <> 'text') from caixa")),
            (QVariantList{t[u"entrada_null"].toInteger(), t[u"saida_null"].toInteger(),
                          t[u"negative_entrada"].toInteger(), t[u"hora_midnight"].toInteger(),
                          t.contains(u"ndoc_null")
                              ? t[u"ndoc_null"].toInteger() + t[u"ndoc_empty_string"].toInteger()
                              : entries,
                          qint64(0)}));
        QJsonArray notable = expected[u"notable_entries"].toArray();
        if (entries > 0) {
            const QJsonObject ids = expected[u"caixa_ids"].toObject();
            QCOMPARE(
                start.row(QStringLiteral("select min(data), max(data), count(distinct data), "
                                         "max(length(descricao)), min(id), max(id) from caixa")),
                (QVariantList{t[u"first_date"].toString(), t[u"last_date"].toString(),
                              t[u"distinct_dates"].toInteger(),
                              t[u"max_descricao_length"].toInteger(), ids[u"min"].toInteger(),
                              ids[u"max"].toInteger()}));
            notable << expected[u"first_entry"] << expected[u"last_entry"];
        }
        for (const QJsonValue& entry : notable)
            sameRow(start, QStringLiteral("caixa"), kEntry, entry.toObject());

        // saldos has no id: it comes over in date order.
        QStringList saldos;
        for (const QJsonValue& saldo : expected[u"saldos"].toArray())
            saldos << saldo[u"data"].toString() + u' ' + stored(saldo[u"saldo"], true);
        QCOMPARE(start
                     .scalar(QStringLiteral("select group_concat(data || ' ' || saldo, ', ') from "
                                            "(select * from saldos order by rowid)"))
                     .toString(),
                 saldos.join(QStringLiteral(", ")));
        if (!expected[u"opcoes"].isNull())
            sameRow(start, QStringLiteral("opcoes"), kOpcoes, expected[u"opcoes"].toObject());

        // Passwords and answers come over as text, to be hashed once the book is opened.
        for (const QJsonValue& user : expected[u"usuarios"].toArray())
            sameRow(start, QStringLiteral("usuarios"), kUser, user.toObject());

        // The main window shows the whole history with the older program's balances.
        if (entries > 0) {
            const QDate last = QDate::fromString(t[u"last_date"].toString(), Qt::ISODate);
            start.clock.set(QDateTime(last, QTime(18, 0)));
            frmPrincipal w(start.session);
            control<QLineEdit>(w, "txtDia")->setText(last.toString(QStringLiteral("dd/MM/yyyy")));
            control<QLineEdit>(w, "txtDias")->setText(QStringLiteral("99"));
            control<QPushButton>(w, "btnAtivar")->click();
            const qint64 in = units(t[u"sum_entrada"].toString()),
                         out = units(t[u"sum_saida"].toString());
            QCOMPARE(w.gridModel()->rowCount(), entries);
            QCOMPARE(w.gridModel()->cellText(int(entries) - 1, EntryGridModel::Saldo),
                     reais(in - out));
            QCOMPARE(control<QLabel>(w, "lblTotalEntradas")->text(), reais(in));
            QCOMPARE(control<QLabel>(w, "lblTotalSaidas")->text(), reais(out));
        }

        start.db.close();
        start.session.bookLock.reset(); // the program ends
        Start again(folder);
        again.run();
        QVERIFY(again.dialogs.shown.isEmpty() && again.dialogs.progressShown.isEmpty());
        QCOMPARE(again.scalar(QStringLiteral("select count(*) from caixa")).toLongLong(), entries);
        QCOMPARE(folder.files(), files + QStringList({QStringLiteral("bd.mdb.fechamento"),
                                                      QStringLiteral("bd.mdb.lock")}));
    }

    // libmdb reads a damaged file without complaint and returns fewer rows;
    // the conversion checks the file on its own terms. That, the reader's
    // crash, warnings, output broken off or absence and the user's cancel are
    // told as the connection message, with nothing written and the original
    // as it was; the program starts as on a book it cannot open.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("reader"); // a stand-in's script; empty: the real one
        QTest::addColumn<QString>("cancelDuring");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray good = fileBytes(legacyBook(QStringLiteral("bd-completo.mdb")));
        const auto row = [](const char* name, const QByteArray& bytes, const char* reason,
                            const QByteArray& reader = {}, const char* cancel = "") {
            QTest::newRow(name) << bytes << reader << QString::fromUtf8(cancel)
                                << QString::fromUtf8(reason);
        };
        // Pages 40 to 45 hold the rows of caixa: data pages (type 1) of the table on page 24.
        QCOMPARE(good.at(42 * kPage), '\x01');
        QCOMPARE(good.at(42 * kPage + 4), '\x18');
        // libmdb alone reads this one without a word, as a book with no entries.
        row("cut at a page boundary", good.left(42 * kPage), "a página 42 não está inteira");
        row("cut in the middle of a page", good.left(26 * kPage + 100),
            "não é um número inteiro de páginas");
        row("scrambled entry", scrambled(good, 40 * kPage + 2048, 64),
            "caixa tem 196 linhas, mas só 195");
        // The page stays well formed; the dates of entry 20 become 00/01/1900.
        row("scrambled date", scrambled(good, 40 * kPage + 2304, 16),
            "a coluna caixa.data tem um valor inválido (1900-01-00 00:00:00) na linha de id 20");
        row("first page only", good.left(kPage), "tabelas");
        QByteArray header(kPage, '\0');
        header.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        row("bare Jet header", header, "Access");
        const QByteArray real = "'" + QByteArrayLiteral(LIVRO_MDB_READER) + "' \"$@\"";
        row("reader crashes", good, "parou de forma inesperada", "kill -SEGV $$");
        row("reader warns", good, "encontrou problemas (warning: page 7 is odd)",
            real + "\necho 'warning: page 7 is odd' >&2");
        row("reader output broken off", good, "terminou antes do fim", real + " | head -c 3000");
        row("no reader", good, "não foi encontrado", "missing");
        row("cancelled while reading", good, "a conversão foi cancelada", {}, "Lendo");
        row("cancelled while writing", good, "a conversão foi cancelada", {}, "Gravando");
    }
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, reader);
        QFETCH(QString, cancelDuring);
        QFETCH(QString, reasonPart);
        DataDir folder;
        folder.put(bytes);
        Start start(folder);
        if (reader == "missing")
            start.session.accessReader = folder.filePath(QStringLiteral("nao-existe"));
        else if (!reader.isEmpty())
            start.session.accessReader = script(folder, reader);
        start.dialogs.cancelProgressDuring = cancelDuring;
        QCOMPARE(start.run(), Startup::FirstWindow::Main);
        if (!cancelDuring.isEmpty())
            QVERIFY(start.dialogs.progressShown.constFirst().labels.constLast().startsWith(
                cancelDuring));

        QCOMPARE(start.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& shown = start.dialogs.last();
        QCOMPARE(shown.title, QStringLiteral("A T E  Ç Ã O"));
        QCOMPARE(shown.icon, Dialogs::Icon::Exclamation);
        QVERIFY2(shown.text.startsWith(
                     QStringLiteral("Não foi possível converter o livro de caixa do Access ")) &&
                     shown.text.contains(reasonPart) &&
                     shown.text.endsWith(QStringLiteral(
                         "O arquivo não foi alterado.\nNão foi possivel conectar ao servidor")),
                 qPrintable(shown.text));
        QVERIFY(!start.db.isOpen());
        QCOMPARE(fileBytes(folder.book()), bytes);
        QCOMPARE(folder.files().filter(QStringLiteral("bd")),
                 QStringList{QStringLiteral("bd.mdb")});
    }

    // A reader that stops answering is stopped, not waited for.
    void aSilentReaderIsStopped()
    {
        DataDir folder;
        SilentProgress progress;
        SourceBook::ReaderOutput output;
        ReaderProcess::Limits limits;
        limits.quietSeconds = 1;
        const Status ran =
            ReaderProcess::run(script(folder, "sleep 30"), {}, progress, output, limits);
        QVERIFY2(!ran.ok() && ran.reason().contains(QStringLiteral("parou de responder")),
                 qPrintable(ran.reason()));
    }
};

LIVRO_TEST(tst_AccessMigration)
#include "tst_AccessMigration.moc"
