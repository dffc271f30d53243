#include "TestBook.h"
#include "TestMain.h"
#include "settings/SettingsStore.h"

#include <QTest>

namespace {

SettingsChoice greenAndBlack()
{
    SettingsChoice c;
    c.susuario = true;
    c.corfundoentrada = QStringLiteral("65280");
    c.corletraentrada = QStringLiteral("0");
    c.corfundosaida = QStringLiteral("65535");
    c.corletrasaida = QStringLiteral("0");
    c.moeda = QStringLiteral("R$");
    c.indioma = QStringLiteral("Espanhol");
    c.qtdarquivosbkp = 7;
    c.bkpautomatico = true;
    return c;
}

int rowCount(TestBook& book)
{
    return book.scalar(QStringLiteral("select count(*) from opcoes")).toInt();
}

bool hasColumn(TestBook& book, const QString& column)
{
    return book
               .scalar(QStringLiteral("select count(*) from pragma_table_info('opcoes') where name = ?"),
                       {column})
               .toInt()
        == 1;
}

} // namespace

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void backupCount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << "" << "5";
        QTest::newRow("blanks") << "  " << "5";
        QTest::newRow("zero") << "0" << "5";
        QTest::newRow("negative") << "-3" << "5";
        QTest::newRow("not a number") << "x1" << "5";
        QTest::newRow("one") << "1" << "1";
        QTest::newRow("blanks around") << " 7 " << "7";
        QTest::newRow("leading zero") << "07" << "7";
        QTest::newRow("two digits") << "99" << "99";
    }
    void backupCount()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(SettingsStore::normalizedBackupCount(typed), stored);
    }

    void emptyTableGetsItsSingleRow()
    {
        TestBook book;
        QCOMPARE(rowCount(book), 0);
        QVERIFY(SettingsStore::save(book.db, greenAndBlack()).ok());
        QCOMPARE(rowCount(book), 1);
        SettingsValues s;
        LoadSettings(book.db, s);
        QVERIFY(s.susuario && s.bkpautomatico && !s.lembrar);
        QCOMPARE(s.corfundoentrada, QStringLiteral("65280"));
        QCOMPARE(s.corletraentrada, QStringLiteral("0"));
        QCOMPARE(s.corfundosaida, QStringLiteral("65535"));
        QCOMPARE(s.corletrasaida, QStringLiteral("0"));
        QCOMPARE(s.indioma, QStringLiteral("Espanhol"));
        QCOMPARE(s.qtdarquivosbkp, qint16(7));

        // A second save changes that row; it never adds another.
        SettingsChoice again = greenAndBlack();
        again.susuario = false;
        again.qtdarquivosbkp = 2;
        QVERIFY(SettingsStore::save(book.db, again).ok());
        QCOMPARE(rowCount(book), 1);
        LoadSettings(book.db, s);
        QVERIFY(!s.susuario);
        QCOMPARE(s.qtdarquivosbkp, qint16(2));
    }

    void loginColumnsAreLeftAsTheyWere()
    {
        TestBook book;
        book.exec(QStringLiteral("insert into opcoes (lembrar, usuario, corfundoentrada) values (1, 'maria', '1')"));
        QVERIFY(SettingsStore::save(book.db, greenAndBlack()).ok());
        QCOMPARE(book.scalar(QStringLiteral("select lembrar from opcoes")).toInt(), 1);
        QCOMPARE(book.scalar(QStringLiteral("select usuario from opcoes")).toString(), QStringLiteral("maria"));
        QCOMPARE(book.scalar(QStringLiteral("select corfundoentrada from opcoes")).toString(), QStringLiteral("65280"));
    }

    void olderTableGetsBothColumnsInOneSave()
    {
        TestBook book;
        book.exec(QStringLiteral("alter table opcoes drop column moeda"));
        book.exec(QStringLiteral("alter table opcoes drop column indioma"));
        book.exec(QStringLiteral("insert into opcoes (lembrar, susuario, usuario) values (0, 0, '')"));
        QVERIFY(!hasColumn(book, QStringLiteral("moeda")) && !hasColumn(book, QStringLiteral("indioma")));

        QVERIFY(SettingsStore::save(book.db, greenAndBlack()).ok());
        QVERIFY(hasColumn(book, QStringLiteral("moeda")));
        QVERIFY(hasColumn(book, QStringLiteral("indioma")));
        QCOMPARE(rowCount(book), 1);
        QCOMPARE(book.scalar(QStringLiteral("select moeda from opcoes")).toString(), QStringLiteral("R$"));
        QCOMPARE(book.scalar(QStringLiteral("select indioma from opcoes")).toString(), QStringLiteral("Espanhol"));
        QCOMPARE(book.scalar(QStringLiteral("select qtdarquivosbkp from opcoes")).toInt(), 7);
    }

    void refusedSaveSaysWhyAndStoresNothing_data()
    {
        QTest::addColumn<bool>("olderTable");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the row") << false << "readonly";
        QTest::newRow("the missing column") << true << "moeda";
    }
    void refusedSaveSaysWhyAndStoresNothing()
    {
        QFETCH(bool, olderTable);
        QFETCH(QString, reason);
        TestBook book;
        if (olderTable)
            book.exec(QStringLiteral("alter table opcoes drop column moeda"));
        book.exec(QStringLiteral("insert into opcoes (susuario, corfundoentrada, qtdarquivosbkp) values (0, '255', 3)"));
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        const Status saved = SettingsStore::save(book.db, greenAndBlack());
        QVERIFY(!saved.ok());
        QVERIFY2(saved.reason().contains(reason), qPrintable(saved.reason()));
        QCOMPARE(rowCount(book), 1);
        QCOMPARE(book.scalar(QStringLiteral("select corfundoentrada from opcoes")).toString(), QStringLiteral("255"));
        QCOMPARE(book.scalar(QStringLiteral("select qtdarquivosbkp from opcoes")).toInt(), 3);
        QCOMPARE(hasColumn(book, QStringLiteral("moeda")), !olderTable);
    }

    void unreadableBookIsRefused()
    {
        TestBook book;
        book.db.close();
        QVERIFY(!SettingsStore::save(book.db, greenAndBlack()).ok());
    }
};

LIVRO_TEST(tst_SettingsStore)
#include "tst_SettingsStore.moc"
