#include "TestBook.h"
#include "TestMain.h"
#include "core/Fields.h"
#include "core/Formats.h"
#include "core/Money.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/UserGuide.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();
// The statement that stores a row of the given values.
QString row(const char* values)
{
    return QStringLiteral(
               "insert into opcoes (lembrar, susuario, usuario, corfundoentrada, corletraentrada, "
               "corfundosaida, corletrasaida, bkpautomatico, qtdarquivosbkp, moeda, indioma) "
               "values ") +
           QString::fromUtf8(values);
}

// Every field, in the table's order ("lembrar susuario usuario corfundoentrada
// corletraentrada corfundosaida corletrasaida bkpautomatico qtdarquivosbkp
// moeda indioma"): a list comparison names the first field that differs.
QStringList fields(const SettingsValues& s)
{
    QStringList f{QString::number(s.lembrar), QString::number(s.susuario), s.usuario};
    f << s.corfundoentrada << s.corletraentrada << s.corfundosaida << s.corletrasaida;
    return f << QString::number(s.bkpautomatico) << QString::number(s.qtdarquivosbkp) << s.moeda
             << s.indioma;
}

bool makeFile(const QString& path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write("<html>") == 6;
}
} // namespace

// Amounts, dates, times, colours and field values as the user types and sees
// them, and as the book stores them; the settings as loaded from the book;
// where the guide is found.
class tst_Values : public QObject
{
    Q_OBJECT

private slots:
    // Typed amounts: comma decimals, dots every three digits, signs and blanks, rounding half away
    // from zero at the fifth decimal, and nothing that does not fit (a null value: refused).
    void moneyParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("units");
        const std::pair<const char*, qint64> valid[] = {{"12,5", 125000},
                                                        {"1.234.567,89", 12345678900},
                                                        {"  -5 ", -50000},
                                                        {"+3,10", 31000},
                                                        {",5", 5000},
                                                        {"7,", 70000},
                                                        {"0,1234", 1234},
                                                        {"0,00005", 1},
                                                        {"0,00004", 0},
                                                        {"-0,00005", -1},
                                                        {"922.337.203.685.477,5807", kMax}};
        for (const auto& [text, units] : valid)
            QTest::newRow(text) << QString::fromUtf8(text) << QVariant(units);
        for (const char* bad :
             {"922.337.203.685.477,5808", "99999999999999999999", "922337203685477,58079", "", "-",
              "1/2", "12.5", "1,2,3", "12a", "1 000", "1.23,00"})
            QTest::newRow(bad) << QString::fromUtf8(bad) << QVariant();
    }
    void moneyParse()
    {
        QFETCH(QString, text);
        QFETCH(QVariant, units);
        const auto money = Money::parse(text);
        QCOMPARE(money ? QVariant(money->units()) : QVariant(), units);
    }

    // Shown amounts: "#,##0.00", rounded half away from zero to cents, never "-0,00"; whole cents
    // read back to the same amount.
    void moneyFormat_data()
    {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("text");
        const std::pair<qint64, const char*> rows[] = {{0, "0,00"},
                                                       {12345600, "1.234,56"},
                                                       {10000000000, "1.000.000,00"},
                                                       {-987654321000, "-98.765.432,10"},
                                                       {50, "0,01"},
                                                       {49, "0,00"},
                                                       {-50, "-0,01"},
                                                       {-49, "0,00"},
                                                       {kMax, "922.337.203.685.477,58"},
                                                       {kMin, "-922.337.203.685.477,58"}};
        for (const auto& [units, text] : rows)
            QTest::addRow("%lld", static_cast<long long>(units))
                << units << QString::fromLatin1(text);
    }
    void moneyFormat()
    {
        QFETCH(qint64, units);
        QFETCH(QString, text);
        QCOMPARE(Money::fromUnits(units).format(), text);
        if (units % 100 == 0)
            QCOMPARE(Money::parse(text), std::optional<Money>(Money::fromUnits(units)));
    }

    // Sums are exact, and a result that does not fit is refused, never wrapped.
    void moneyArithmetic()
    {
        Money total;
        for (int i = 0; i < 1000; ++i)
            total = *total.plus(*Money::parse(u"0,10"));
        QCOMPARE(total.units(), qint64(1000000));
        QVERIFY(!Money::fromUnits(kMax).plus(Money::fromUnits(1)));
        QVERIFY(!Money::fromUnits(kMin).minus(Money::fromUnits(1)));
        QVERIFY(!Money().minus(Money::fromUnits(kMin)));
        QCOMPARE(Money::fromUnits(kMax).minus(Money::fromUnits(1))->units(), kMax - 1);
        QCOMPARE(Money::fromUnits(100).plus(Money::fromUnits(-300))->units(), qint64(-200));
        QVERIFY(!Money::fromCents(kMax / 10));
    }

    // Only real calendar days from 1900 on, and times of the day, with every digit typed.
    void parseDateAndTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::newRow("ordinary") << "05/12/2026" << QDate(2026, 12, 5) << QTime();
        QTest::newRow("leap day") << "29/02/2024" << QDate(2024, 2, 29) << QTime();
        for (const char* bad : {"29/02/2026", "31/02/2026", "01/13/2026", "00/01/2026",
                                "__/__/____", "//", "1/12/2026", "05/12/20__", "01/01/1899",
                                "2026-12-05", "24:00", "12:60", "12:5_", "__:__"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << QDate() << QTime();
        QTest::newRow("afternoon") << "14:05" << QDate() << QTime(14, 5);
        QTest::newRow("midnight") << "00:00" << QDate() << QTime(0, 0);
        QTest::newRow("last minute") << "23:59" << QDate() << QTime(23, 59);
    }
    void parseDateAndTime()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QCOMPARE(Formats::parseDate(text).value_or(QDate()), date);
        QCOMPARE(Formats::parseTime(text).value_or(QTime()), time);
        if (date.isValid())
            QCOMPARE(Formats::date(date), text);
    }

    // What the book stores: ISO dates and full times (and what older books hold), integer amounts
    // (or what other tools wrote); null and blank fields read as no amount, "" and 0.
    void storedValues()
    {
        QCOMPARE(Formats::dateFromDb(u"2024-03-01 00:00:00"_s), QDate(2024, 3, 1));
        QCOMPARE(Formats::dateFromDb(u"01/03/2024"_s), QDate());
        QCOMPARE(Formats::dateFromDb(QVariant()), QDate());
        QCOMPARE(Formats::timeFromDb(u"08:05"_s), QTime(8, 5));
        QCOMPARE(Formats::timeFromDb(u"1899-12-30 00:00:00"_s), QTime(0, 0));
        QCOMPARE(Formats::timeFromDb(QVariant()), QTime());

        QVERIFY(!Money::fromDb(QVariant()));
        QVERIFY(!Money::fromDb(QVariant(QMetaType(QMetaType::LongLong))));
        QCOMPARE(Money::fromDb(0.1)->units(), qint64(1000));
        QCOMPARE(Money::fromDb(u" 250000 "_s)->units(), qint64(250000));
        QVERIFY(!Money::fromDb(u"abc"_s));
        QVERIFY(!Money::fromDb(1e300));
        QCOMPARE(formatMoney(std::nullopt), QString());

        QCOMPARE(FieldText(QVariant()), QString());
        QCOMPARE(FieldText(QVariant(QMetaType(QMetaType::QString))), QString());
        QCOMPARE(FieldText(u"  CAIXA  "_s), u"CAIXA"_s);
    }

    // Colours are stored with red in the low byte; anything else paints with
    // the fallback.
    void colours()
    {
        QCOMPARE(Formats::colorFromSetting(u"255"_s, Qt::black), QColor(255, 0, 0));
        QCOMPARE(Formats::colorFromSetting(u"16711680"_s, Qt::black), QColor(0, 0, 255));
        QCOMPARE(Formats::colorToSetting(QColor(0x12, 0x34, 0x56)), QString::number(0x563412));
        for (const char* bad : {"", "azul", "16777216", "-1"})
            QCOMPARE(Formats::colorFromSetting(QString::fromLatin1(bad), Qt::cyan),
                     QColor(Qt::cyan));
    }

    // LoadSettings over the single row of "opcoes", starting each time from
    // values loaded before, so that what is kept and what is replaced both show.
    void loadSettings_data()
    {
        QTest::addColumn<QString>("statements");
        QTest::addColumn<QString>("loaded");
        QTest::newRow("no row: every default")
            << ""
            << "0|0||16711680|16777215|255|16777215|0|5|R$|Português-Brasil";
        // A stored row of the given values, and what is then loaded.
        const auto stored = [](const char* name, const char* values, const char* loaded) {
            QTest::newRow(name) << row(values) << QString::fromUtf8(loaded);
        };
        stored("stored row", "(1, 0, 'maria', '65280', '0', '65535', '0', 0, 7, 'US$', 'Espanhol')",
               "1|0|maria|65280|0|65535|0|0|7|US$|Espanhol");
        // Null columns keep the previous value; currency and language get their default.
        stored("nulls", "(null, null, null, '65280', null, null, null, null, null, null, null)",
               "1|1|joao|65280|2|3|4|1|9|R$|Português-Brasil");
        stored("currency and language of spaces",
               "(0, 0, '', '1', '2', '3', '4', 0, 3, '  ', '   ')",
               "0|0||1|2|3|4|0|3|R$|Português-Brasil");
        // A row without colours predates the settings window: default colours and backup count.
        stored("empty background", "(0, 0, '', '', '12', '13', '14', 1, 10, 'R$', 'Espanhol')",
               "0|0||16711680|16777215|255|16777215|1|5|R$|Espanhol");
        stored("backup count out of range",
               "(0, 0, '', '1', '2', '3', '4', 0, 70000, 'R$', 'Espanhol')",
               "0|0||1|2|3|4|0|9|R$|Espanhol");
        QTest::newRow("older table without currency and language")
            << "alter table opcoes drop column moeda; alter table opcoes drop column indioma; "
               "insert into opcoes (susuario, corfundoentrada, qtdarquivosbkp) values (0, '255', 4)"
            << "1|0|joao|255|2|3|4|1|4|R$|Português-Brasil";
        QTest::newRow("unreadable table changes nothing") << "drop table opcoes"
                                                          << "1|1|joao|1|2|3|4|1|9|US|Inglês";
    }
    void loadSettings()
    {
        QFETCH(QString, statements);
        QFETCH(QString, loaded);
        TestBook book;
        for (const QString& statement : statements.split(u';', Qt::SkipEmptyParts))
            book.exec(statement);
        SettingsValues s{true,   true, u"joao"_s, u"1"_s,  u"2"_s,     u"3"_s,
                         u"4"_s, true, 9,         u"US"_s, u"Inglês"_s};
        LoadSettings(book.db, s);
        QCOMPARE(fields(s), loaded.split(u'|'));
    }

    // Where F1 finds the guide of an installed program: in the package's
    // share folder (beside a build's program: tst_Keyboard's F1).
    void found_data()
    {
        QTest::addColumn<QString>("guide"); // relative to the folder above the program's
        QTest::addColumn<QString>("expected");
        QTest::newRow("installed")
            << u"share/livro-caixa/guia/index.html"_s << u"share/livro-caixa/guia/index.html"_s;
        QTest::newRow("nowhere") << u"share/doc/outro/index.html"_s << QString();
        QTest::newRow("a folder of that name") << u"bin/guia/index.html/"_s << QString();
    }
    void found()
    {
        QFETCH(QString, guide);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"bin"_s)));
        if (guide.endsWith(u'/'))
            QVERIFY(QDir().mkpath(root.filePath(guide)));
        else
            QVERIFY(makeFile(root.filePath(guide)));
        const QString found = UserGuide::find(root.filePath(u"bin"_s));
        QCOMPARE(found, expected.isEmpty() ? QString() : root.filePath(expected));
    }
};

LIVRO_TEST(tst_Values)
#include "tst_Values.moc"
