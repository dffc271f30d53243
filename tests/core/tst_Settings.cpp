#include "TestBook.h"
#include "TestMain.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The statement that stores a row of the given values.
QString row(const char* values)
{
    return QStringLiteral(
               "insert into opcoes (lembrar, susuario, usuario, corfundoentrada, corletraentrada, "
               "corfundosaida, corletrasaida, bkpautomatico, qtdarquivosbkp, moeda, indioma) "
               "values ") +
           QString::fromUtf8(values);
}

// Every field, in the table's order, as "name=value".
QStringList fields(const SettingsValues& s)
{
    const QStringList names = u"lembrar susuario usuario corfundoentrada corletraentrada "
                              u"corfundosaida corletrasaida bkpautomatico qtdarquivosbkp moeda "
                              u"indioma"_s.split(u' ');
    QStringList values;
    values << QString::number(s.lembrar) << QString::number(s.susuario) << s.usuario
           << s.corfundoentrada << s.corletraentrada << s.corfundosaida << s.corletrasaida
           << QString::number(s.bkpautomatico) << QString::number(s.qtdarquivosbkp) << s.moeda
           << s.indioma;
    for (qsizetype i = 0; i < values.size(); ++i)
        values[i] = names.at(i) + u'=' + values.at(i);
    return values;
}
} // namespace

// LoadSettings over the single row of "opcoes", starting each time from
// values loaded before, so that what is kept and what is replaced both show.
class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
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
        const QStringList got = fields(s);
        const QStringList wanted = loaded.split(u'|');
        QCOMPARE(got.size(), wanted.size());
        for (qsizetype i = 0; i < got.size(); ++i)
            QCOMPARE(got.at(i), got.at(i).section(u'=', 0, 0) + u'=' + wanted.at(i));
    }
};

LIVRO_TEST(tst_Settings)
#include "tst_Settings.moc"
