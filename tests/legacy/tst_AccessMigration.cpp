#include "Controls.h"
#include "LegacyFiles.h"
#include "TestBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/DataFolder.h"

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

using namespace Qt::StringLiterals;

namespace {

// A data folder for one or more starts of the program.
struct DataDir : QTemporaryDir
{
    QString book() const { return ::DataFolder::bookPath(path()); }
    void put(const QByteArray& bytes, const QString& name = QStringLiteral("bd.mdb")) const
    {
        writeFile(filePath(name), bytes);
    }
    QStringList files() const { return filesIn(path()); }
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
    // Every row's values, one after the other.
    QVariantList rows(const QString& sql, const QVariantList& values = {}) const
    {
        QSqlQuery q(db.database());
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        QVariantList result;
        for (bool ran = q.exec(); ran && q.next();) {
            for (int i = 0; i < q.record().count(); ++i)
                result.append(q.value(i));
        }
        return result;
    }
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const
    {
        return rows(sql, values).value(0);
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

// A row of a table (by its id, when the figures give one) against the
// figures, a column at a time: "usuarios 2 senha=...".
void sameRow(const Start& s, const QString& table, const QStringList& columns, const QJsonObject& e)
{
    const bool byId = e.contains(u"id");
    const QVariantList r =
        s.rows(QStringLiteral("select %1 from %2").arg(columns.join(u','), table) +
                   (byId ? QStringLiteral(" where id = ?") : QString()),
               byId ? QVariantList{e[u"id"].toInteger()} : QVariantList{});
    const QString row = table + u' ' + QString::number(e[u"id"].toInteger()) + u' ';
    QStringList got, want;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        got << row + columns.at(i) + u'=' + (i < r.size() ? shown(r.at(i)) : u"missing"_s);
        want << row + columns.at(i) + u'=' + stored(e[columns.at(i)], kMoney.contains(columns[i]));
    }
    QCOMPARE(got, want);
}

// The number of entries a filter selects and their sums of entrada and
// saida, each against the figures: "idconta = ? 3: entries 40".
void sameSums(const Start& s, const QString& filter, const QVariant& value, const QJsonObject& e)
{
    const QVariantList r =
        s.rows(QStringLiteral("select count(*), coalesce(sum(entrada), 0), coalesce(sum(saida), 0) "
                              "from caixa where ") +
                   filter,
               value.isValid() ? QVariantList{value} : QVariantList{});
    const QString what = filter + u' ' + value.toString() + u": "_s;
    QCOMPARE(what + shown(r.value(0)) + u' ' + shown(r.value(1)) + u' ' + shown(r.value(2)),
             what + stored(e[u"entries"]) + u' ' + stored(e[u"sum_entrada"], true) + u' ' +
                 stored(e[u"sum_saida"], true));
}

constexpr qsizetype kPage = 4096;

// Overwrites bytes with a fixed pseudo-random pattern.
QByteArray scrambled(QByteArray bytes, qsizetype from, qsizetype length)
{
    for (qsizetype i = from; i < from + length; ++i)
        bytes[i] = char((i * 7919 + 13) & 0xFF);
    return bytes;
}

// Each Access book kept with the tests, dropped in as bd.mdb, and what an
// earlier conversion left beside it: nothing, a file under the name the
// original is kept as, or a run cut short before the swap (the original
// already under its kept name, a half-written book).
void books()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("earlier");
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

// The first start on a data folder holding one of those books, with the
// figures its expected file lists.
struct Converted
{
    Converted()
    {
        QFETCH(QString, name);
        QFETCH(QString, earlier);
        QFile json(legacyBook(name + u".expected.json"_s));
        if (!json.open(QIODevice::ReadOnly))
            qFatal("no expected figures for %s", qPrintable(name));
        expected = QJsonDocument::fromJson(json.readAll()).object();
        totals = expected[u"caixa_totals"].toObject();
        access = fileBytes(legacyBook(name));
        folder.put(access);
        QFile::setPermissions(folder.book(), QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ReadGroup | QFile::ReadOther);
        if (earlier == u"original") {
            folder.put("anterior", files.constFirst());
            files.prepend(u"bd-access-original-2.mdb"_s);
        } else if (earlier == u"interrupted") {
            const QByteArray kept = QFile::encodeName(folder.filePath(files.constFirst()));
            if (::link(QFile::encodeName(folder.book()).constData(), kept.constData()) != 0)
                qFatal("could not link the kept original");
            folder.put("SQLite format 3 meio escrito", u"bd.mdb.convertendo"_s);
            folder.put("", u"bd.mdb.convertendo-journal"_s);
        }
        first = start.run();
    }
    qint64 entries() const { return totals[u"entries"].toInteger(); }
    // Where the original was kept.
    QString kept() const { return folder.filePath(files.constFirst()); }

    QJsonObject expected;
    QJsonObject totals;
    QByteArray access;
    DataDir folder;
    // The files the folder holds once converted, the lock of the program
    // that holds the book among them.
    QStringList files{u"bd-access-original.mdb"_s, u"bd.mdb"_s, u"bd.mdb.lock"_s};
    Start start{folder};
    Startup::FirstWindow first = Startup::FirstWindow::Main;
};

} // namespace

class tst_AccessMigration : public QObject
{
    Q_OBJECT

private slots:
    // The user is told what came over and where the original was kept, byte
    // for byte and (with its plain-text passwords) private, as the new book
    // is; its login switch decides the first window. The next start converts
    // nothing.
    void theUserIsToldWhatCameOver_data() { books(); }
    void theUserIsToldWhatCameOver()
    {
        QFETCH(QString, summary);
        QFETCH(QString, earlier);
        Converted c;
        QVERIFY(c.start.db.isOpen());
        QCOMPARE(c.first, c.expected[u"opcoes"][u"susuario"].toBool() ? Startup::FirstWindow::Login
                                                                      : Startup::FirstWindow::Main);
        QCOMPARE(c.start.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& told = c.start.dialogs.last();
        QCOMPARE(told.icon, Dialogs::Icon::Information);
        QCOMPARE(told.title, u"Livro de caixa convertido"_s);
        VERIFY_CONTAINS(told.text, summary);
        VERIFY_CONTAINS(told.text, c.kept());
        QCOMPARE(c.folder.files(), c.files);
        QCOMPARE(fileBytes(c.kept()), c.access);
        const auto others = QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile::permissions(c.kept()) & others, QFileDevice::Permissions());
        QCOMPARE(QFile::permissions(c.folder.book()) & others, QFileDevice::Permissions());
        if (earlier == u"original")
            QCOMPARE(fileBytes(c.folder.filePath(c.files.at(1))), QByteArray("anterior"));

        // The program ends; the next start opens the converted book as it is.
        c.start.db.close();
        c.start.session.bookLock.reset();
        Start again(c.folder);
        again.run();
        QVERIFY(again.dialogs.shown.isEmpty());
        QVERIFY(again.dialogs.progressShown.isEmpty());
        QCOMPARE(again.scalar(u"select count(*) from caixa"_s).toLongLong(), c.entries());
        QStringList files = c.files; // and the note of the first program's clean close
        files.append(u"bd.mdb.fechamento"_s);
        files.sort();
        QCOMPARE(c.folder.files(), files);
    }

    // Every row comes over, counted by the progress window; entries keep their
    // id and account (even one gone), days their sums, a stored balance is
    // kept stale or not, saldos come in date order, an empty ndoc (every one
    // of the older layout) is NULL; passwords come as text, hashed once the
    // book is opened. The main window shows the older program's balances.
    void everyFigureComesOver_data() { books(); }
    void everyFigureComesOver()
    {
        Converted c;
        const QJsonObject counts = c.expected[u"row_counts"].toObject();
        qint64 rows = 0;
        for (auto it = counts.begin(); it != counts.end(); ++it) {
            QCOMPARE(it.key() + u' ' +
                         c.start.scalar(u"select count(*) from "_s + it.key()).toString(),
                     it.key() + u' ' + QString::number(it->toInteger()));
            rows += it->toInteger();
        }
        const FakeDialogs::ProgressShown& progress = c.start.dialogs.progressShown.value(0);
        QCOMPARE(progress.maximum, rows);
        QCOMPARE(progress.values.value(progress.values.size() - 1), rows);

        for (const QJsonValue& account : c.expected[u"accounts"].toArray()) {
            sameSums(c.start, u"idconta = ?"_s, account[u"id"].toInteger(), account.toObject());
            if (account[u"in_contas"].toBool())
                sameRow(c.start, u"contas"_s, {u"descricao"_s, u"saldo"_s}, account.toObject());
        }
        for (const QJsonValue& day : c.expected[u"days"].toArray())
            sameSums(c.start, u"data = ?"_s, day[u"data"].toString(), day.toObject());
        sameSums(c.start, u"1 = 1"_s, QVariant(), c.totals);

        const QJsonObject& t = c.totals;
        // NULL amounts, negative ones, midnights, NULL ndocs, and values not of their type.
        QCOMPARE(c.start.rows(u"select count(*) filter (where entrada is null), count(*) filter "
                              "(where saida is null), count(*) filter (where entrada < 0), "
                              "count(*) filter (where hora = '00:00:00'), count(*) filter (where "
                              "ndoc is null), count(*) filter (where typeof(entrada) not in "
                              "('integer', 'null') or typeof(saida) not in ('integer', 'null') "
                              "or typeof(data) <> 'text' or typeof(hora) <> 'text') from caixa"_s),
                 (QVariantList{t[u"entrada_null"].toInteger(), t[u"saida_null"].toInteger(),
                               t[u"negative_entrada"].toInteger(), t[u"hora_midnight"].toInteger(),
                               t.contains(u"ndoc_null") ? t[u"ndoc_null"].toInteger() +
                                                              t[u"ndoc_empty_string"].toInteger()
                                                        : c.entries(),
                               qint64(0)}));

        QStringList saldos;
        for (const QJsonValue& saldo : c.expected[u"saldos"].toArray())
            saldos << saldo[u"data"].toString() << stored(saldo[u"saldo"], true);
        QStringList inBook;
        for (const QVariant& v : c.start.rows(u"select data, saldo from saldos order by rowid"_s))
            inBook << v.toString();
        QCOMPARE(inBook, saldos);
        if (!c.expected[u"opcoes"].isNull())
            sameRow(c.start, u"opcoes"_s, kOpcoes, c.expected[u"opcoes"].toObject());
        for (const QJsonValue& user : c.expected[u"usuarios"].toArray())
            sameRow(c.start, u"usuarios"_s, kUser, user.toObject());
        if (c.entries() == 0)
            return;

        const QJsonObject ids = c.expected[u"caixa_ids"].toObject();
        QCOMPARE(
            c.start.rows(u"select min(data), max(data), count(distinct data), "
                         "max(length(descricao)), min(id), max(id) from caixa"_s),
            (QVariantList{t[u"first_date"].toString(), t[u"last_date"].toString(),
                          t[u"distinct_dates"].toInteger(), t[u"max_descricao_length"].toInteger(),
                          ids[u"min"].toInteger(), ids[u"max"].toInteger()}));
        QJsonArray notable = c.expected[u"notable_entries"].toArray();
        notable << c.expected[u"first_entry"] << c.expected[u"last_entry"];
        for (const QJsonValue& entry : notable)
            sameRow(c.start, u"caixa"_s, kEntry, entry.toObject());

        const QDate last = QDate::fromString(t[u"last_date"].toString(), Qt::ISODate);
        c.start.clock.set(QDateTime(last, QTime(18, 0)));
        frmPrincipal w(c.start.session);
        control<QLineEdit>(w, "txtDia")->setText(last.toString(u"dd/MM/yyyy"_s));
        control<QLineEdit>(w, "txtDias")->setText(u"99"_s);
        control<QPushButton>(w, "btnAtivar")->click();
        const qint64 in = units(t[u"sum_entrada"].toString());
        const qint64 out = units(t[u"sum_saida"].toString());
        QCOMPARE(w.gridModel()->rowCount(), c.entries());
        QCOMPARE(w.gridModel()->cellText(int(c.entries()) - 1, EntryGridModel::Saldo),
                 reais(in - out));
        QCOMPARE(control<QLabel>(w, "lblTotalEntradas")->text(), reais(in));
        QCOMPARE(control<QLabel>(w, "lblTotalSaidas")->text(), reais(out));
    }

    // libmdb reads a damaged file without complaint and returns fewer rows:
    // the conversion checks the file itself. That, the reader's failures and
    // the user's cancel are told as the connection message, nothing written.
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
            start.session.accessReader = readerScript(folder.path(), reader);
        start.dialogs.cancelProgressDuring = cancelDuring;
        QCOMPARE(start.run(), Startup::FirstWindow::Main);
        if (!cancelDuring.isEmpty())
            QVERIFY(start.dialogs.progressShown.constFirst().labels.constLast().startsWith(
                cancelDuring));

        QCOMPARE(start.dialogs.shown.size(), 1);
        const QString told = start.dialogs.messages().constFirst();
        QVERIFY2(told.startsWith(u"A T E  Ç Ã O: Não foi possível converter o livro de caixa do "
                                 "Access "_s) &&
                     told.contains(reasonPart) &&
                     told.endsWith(u"O arquivo não foi alterado.\nNão foi possivel conectar ao "
                                   "servidor"_s),
                 qPrintable(told));
        QVERIFY(!start.db.isOpen());
        QCOMPARE(fileBytes(folder.book()), bytes);
        QCOMPARE(folder.files().filter(QStringLiteral("bd")),
                 QStringList{QStringLiteral("bd.mdb")});
    }
};

LIVRO_TEST(tst_AccessMigration)
#include "tst_AccessMigration.moc"
