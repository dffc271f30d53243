#include "TestBook.h"
#include "TestMain.h"
#include "core/Settings.h"

#include <QTest>

namespace {
const QString kInsertRow = QStringLiteral(
    "insert into opcoes (lembrar, susuario, usuario, corfundoentrada, corletraentrada, corfundosaida, "
    "corletrasaida, bkpautomatico, qtdarquivosbkp, moeda, indioma) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
QVariant null() { return QVariant(QMetaType(QMetaType::QString)); }
} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void beforeTheFirstLoad()
    {
        const SettingsValues s;
        QVERIFY(!s.lembrar && !s.susuario && !s.bkpautomatico);
        QVERIFY(s.usuario.isEmpty() && s.corfundoentrada.isEmpty() && s.moeda.isEmpty() && s.indioma.isEmpty());
        QCOMPARE(s.qtdarquivosbkp, qint16(0));
        // Nothing loaded yet: painting still has colours to use.
        QCOMPARE(s.receivedBackground(), QColor(0, 0, 255));
        QCOMPARE(s.paidBackground(), QColor(255, 0, 0));
    }

    void emptyTableGivesEveryDefault()
    {
        TestBook book;
        SettingsValues s;
        s.susuario = true;
        s.usuario = QStringLiteral("maria");
        LoadSettings(book.db, s);
        QVERIFY(!s.lembrar && !s.susuario && !s.bkpautomatico);
        QCOMPARE(s.usuario, QString());
        QCOMPARE(s.corfundoentrada, QStringLiteral("16711680"));
        QCOMPARE(s.corletraentrada, QStringLiteral("16777215"));
        QCOMPARE(s.corfundosaida, QStringLiteral("255"));
        QCOMPARE(s.corletrasaida, QStringLiteral("16777215"));
        QCOMPARE(s.qtdarquivosbkp, qint16(5));
        QCOMPARE(s.moeda, QStringLiteral("R$"));
        QCOMPARE(s.indioma, QStringLiteral("Português-Brasil"));
        QCOMPARE(s.receivedBackground(), QColor(Qt::blue));
        QCOMPARE(s.receivedText(), QColor(Qt::white));
        QCOMPARE(s.paidBackground(), QColor(Qt::red));
    }

    void storedRowIsRead()
    {
        TestBook book;
        book.exec(kInsertRow, {1, 1, QStringLiteral("maria"), QStringLiteral("65280"), QStringLiteral("0"),
                               QStringLiteral("65535"), QStringLiteral("0"), 1, 7, QStringLiteral("US"),
                               QStringLiteral("Inglês")});
        SettingsValues s;
        LoadSettings(book.db, s);
        QVERIFY(s.lembrar && s.susuario && s.bkpautomatico);
        QCOMPARE(s.usuario, QStringLiteral("maria"));
        QCOMPARE(s.receivedBackground(), QColor(0, 255, 0));
        QCOMPARE(s.paidBackground(), QColor(255, 255, 0));
        QCOMPARE(s.qtdarquivosbkp, qint16(7));
        QCOMPARE(s.moeda, QStringLiteral("US"));
        QCOMPARE(s.indioma, QStringLiteral("Inglês"));
    }

    void nullColumnsKeepThePreviousValues()
    {
        TestBook book;
        book.exec(kInsertRow, {QVariant(QMetaType(QMetaType::Int)), QVariant(QMetaType(QMetaType::Int)), null(),
                               QStringLiteral("65280"), null(), null(), null(), QVariant(QMetaType(QMetaType::Int)),
                               QVariant(QMetaType(QMetaType::Int)), null(), null()});
        SettingsValues s;
        s.lembrar = true;
        s.susuario = true;
        s.usuario = QStringLiteral("joao");
        s.corletraentrada = QStringLiteral("123");
        s.qtdarquivosbkp = 9;
        s.bkpautomatico = true;
        LoadSettings(book.db, s);
        QVERIFY(s.lembrar && s.susuario && s.bkpautomatico);
        QCOMPARE(s.usuario, QStringLiteral("joao"));
        QCOMPARE(s.corfundoentrada, QStringLiteral("65280"));
        QCOMPARE(s.corletraentrada, QStringLiteral("123"));
        QCOMPARE(s.qtdarquivosbkp, qint16(9));
        // Null currency and language get their defaults, not the previous value.
        QCOMPARE(s.moeda, QStringLiteral("R$"));
        QCOMPARE(s.indioma, QStringLiteral("Português-Brasil"));
    }

    void currencyOfSpacesAndBlankLanguage()
    {
        TestBook book;
        book.exec(kInsertRow, {0, 0, QString(), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("4"), 0, 3, QStringLiteral("  "), QStringLiteral("   ")});
        SettingsValues s;
        LoadSettings(book.db, s);
        QCOMPARE(s.moeda, QStringLiteral("R$"));
        QCOMPARE(s.indioma, QStringLiteral("Português-Brasil"));
        QCOMPARE(s.qtdarquivosbkp, qint16(3));
    }

    void emptyBackgroundResetsColoursAndBackupCount()
    {
        TestBook book;
        book.exec(kInsertRow, {0, 0, QString(), QString(), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("4"), 1, 10, QStringLiteral("R$"), QStringLiteral("Espanhol")});
        SettingsValues s;
        LoadSettings(book.db, s);
        QCOMPARE(s.corfundoentrada, QStringLiteral("16711680"));
        QCOMPARE(s.corletraentrada, QStringLiteral("16777215"));
        QCOMPARE(s.corfundosaida, QStringLiteral("255"));
        QCOMPARE(s.corletrasaida, QStringLiteral("16777215"));
        QCOMPARE(s.qtdarquivosbkp, qint16(5));
        QVERIFY(s.bkpautomatico);
        QCOMPARE(s.indioma, QStringLiteral("Espanhol"));
    }

    void olderTableWithoutCurrencyAndLanguage()
    {
        TestBook book;
        book.exec(QStringLiteral("alter table opcoes drop column moeda"));
        book.exec(QStringLiteral("alter table opcoes drop column indioma"));
        book.exec(QStringLiteral("insert into opcoes (susuario, corfundoentrada, qtdarquivosbkp) values (1, '255', 4)"));
        SettingsValues s;
        LoadSettings(book.db, s);
        QVERIFY(s.susuario);
        QCOMPARE(s.qtdarquivosbkp, qint16(4));
        QCOMPARE(s.moeda, QStringLiteral("R$"));
        QCOMPARE(s.indioma, QStringLiteral("Português-Brasil"));
    }

    void backupCountOutOfRangeIsIgnored()
    {
        TestBook book;
        book.exec(kInsertRow, {0, 0, QString(), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("4"), 0, 70000, QStringLiteral("R$"), QString()});
        SettingsValues s;
        s.qtdarquivosbkp = 6;
        LoadSettings(book.db, s);
        QCOMPARE(s.qtdarquivosbkp, qint16(6));
    }

    void unreadableTableChangesNothing()
    {
        TestBook book;
        book.db.close();
        SettingsValues s;
        LoadSettings(book.db, s);
        QVERIFY(!s.susuario);
        QCOMPARE(s.corfundoentrada, QString());
        QCOMPARE(s.qtdarquivosbkp, qint16(0));
    }
};

LIVRO_TEST(tst_Settings)
#include "tst_Settings.moc"
