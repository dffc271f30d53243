#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "book/Backup.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/SettingsStore.h"
#include "settings/ColorSwatch.h"
#include "settings/frmOpcoes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The fixed clock's moment, on the 24-hour clock.
const QString kName = QStringLiteral("2026_12_05_14_03_09_Backup.bkp");
// Files beside the backups that are not backups, nor this program's
// temporary files, whatever their names suggest.
const QStringList kOthers{u"2026_01_01_Backup.bak"_s, u"notas.txt"_s,
                          u"2026_11_30_09_00_00_Backup.bkp.parcial"_s,
                          u".outro-programa.parcial"_s};
const QString kClosingTitle =
    QStringLiteral("Finalizando software e realizando backup, aguarde...");

// A book with an entry and a stored settings row: login on and remembered,
// seven backups, green and black, a currency and a language of its own.
struct OptionsBook : TestBook
{
    explicit OptionsBook(const QString& setup = QString())
    {
        exec(QStringLiteral(
            "insert into opcoes (lembrar, susuario, usuario, corfundoentrada, corletraentrada, "
            "corfundosaida, corletrasaida, bkpautomatico, qtdarquivosbkp, moeda, indioma) "
            "values (1, 1, 'maria', '65280', '0', '65535', '0', 1, 7, 'US', 'Inglês')"));
        addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), std::nullopt,
                 QStringLiteral("Venda"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        for (const QString& sql : setup.split(u';', Qt::SkipEmptyParts))
            exec(sql);
        LoadSettings(db, session.Settings);
    }
    QString stored(const QString& column)
    {
        return scalar(QStringLiteral("select %1 from opcoes").arg(column)).toString();
    }
    QString backups() const { return Backup::folderFor(bookPath()); }
    // Earlier backups, one a day from 01/11/2026, oldest first; beside them
    // files that are not backups and the temporary file of a copy cut short.
    QStringList plant(int count)
    {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names.append(Backup::fileName(QDateTime(QDate(2026, 11, 1).addDays(i), QTime(9, 0))));
        QDir().mkpath(backups());
        for (const QString& name : names + kOthers)
            writeFile(QDir(backups()).filePath(name), name.toUtf8());
        writeFile(QDir(backups()).filePath(
                      QStringLiteral(".livro-caixa-backup-2026_11_30_09_00_00_Backup.bkp.parcial")),
                  "half");
        return names;
    }
};

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    // Colours are chosen with the mouse or with Space or Enter on a swatch,
    // each dialog starting from the swatch's colour; another key opens
    // nothing, a cancelled dialog changes nothing. "Opções" opens from the
    // main window's menu as a modal window; once saved, colours are stored
    // as red + 256 × green + 65536 × blue, and the refresh timer repaints
    // the rows and legend while the window stays open.
    void savedColoursRepaintTheMainWindow()
    {
        OptionsBook book(u"update opcoes set bkpautomatico = 0"_s);
        book.addEntry(u"2026-12-05"_s, u"09:00:00"_s, std::nullopt, u"Luz"_s, u"0,00"_s,
                      u"30,00"_s);
        frmPrincipal main(book.session);
        showActive(main);
        const QColor navy(0, 0, 128), maroon(128, 0, 0), olive(128, 128, 0);
        bool modal = false;
        bool openAfterSaving = false;
        QTimer::singleShot(0, &main, [&] {
            auto* w = main.findChild<frmOpcoes*>();
            const auto closeAtEnd = qScopeGuard([w] {
                if (w)
                    w->close();
            }); // even after a failed check
            QVERIFY(w);
            modal = w->isModal() && w->isVisible();
            const auto swatch = [w](const char* name) { return control<ColorSwatch>(*w, name); };
            book.dialogs.colours = {navy, std::nullopt, olive, maroon, QColor(Qt::white)};
            QTest::mouseClick(swatch("pic1"), Qt::LeftButton);
            QTest::mouseClick(swatch("pic1"), Qt::LeftButton); // cancelled
            QTest::keyClick(swatch("pic3"), Qt::Key_A);        // opens nothing
            QTest::keyClick(swatch("pic3"), Qt::Key_Space);
            QTest::keyClick(swatch("pic4"), Qt::Key_Enter, Qt::KeypadModifier);
            QTest::keyClick(swatch("pic2"), Qt::Key_Return);
            control<QCheckBox>(*w, "ckBKPAutomatico")->setChecked(true);
            control<QToolButton>(*w, "btnSalvar")->click();
            QTRY_COMPARE(main.gridModel()->index(1, 5).data(Qt::BackgroundRole).value<QColor>(),
                         olive);
            QCOMPARE(control<QLabel>(main, "lblEntrada")->palette().color(QPalette::Window), navy);
            openAfterSaving = w->isVisible();
        });
        control<QAction>(main, "mnuOpcoes")->trigger();
        QVERIFY(modal && openAfterSaving);
        QCOMPARE(book.dialogs.colourInitials,
                 (QList<QColor>{QColor(0, 255, 0), navy, QColor(255, 255, 0), QColor(Qt::black),
                                QColor(Qt::black)}));
        QCOMPARE(book.firstRow(u"select corfundoentrada, corletraentrada, corfundosaida, "
                               "corletrasaida, bkpautomatico from opcoes"_s),
                 items("8388608|16777215|32896|128|1"));
        QVERIFY(book.session.Settings.bkpautomatico);
    }

    // Closing the main window shows the closing title and the wait pointer,
    // closes the book and backs it up as the settings say: without asking,
    // or asking first; a failure is told. The program ends in every case.
    void closingBacksUp_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<bool>("folderIsAFile");
        QTest::addColumn<int>("backups");
        QTest::addColumn<QString>("message"); // how the one message shown starts; empty: none
        const QString question = QStringLiteral(
            "Deseja realizar backup do seu banco de dados agora?\nPode ser que demore um pouco.");
        QTest::newRow("automatic asks nothing") << true << true << false << 1 << QString();
        QTest::newRow("asked, Sim") << false << true << false << 1 << question;
        QTest::newRow("asked, Não") << false << false << false << 0 << question;
        QTest::newRow("failed backup is told")
            << true << true << true << 0
            << QStringLiteral("O backup do livro de caixa não foi feito.");
    }
    void closingBacksUp()
    {
        QFETCH(bool, automatic);
        QFETCH(bool, answerYes);
        QFETCH(bool, folderIsAFile);
        QFETCH(int, backups);
        QFETCH(QString, message);
        OptionsBook book(u"update opcoes set bkpautomatico = %1"_s.arg(int(automatic)));
        if (folderIsAFile)
            writeFile(book.backups(), "x");
        frmPrincipal main(book.session);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QString titleWhenShown;
        book.dialogs.onMessage = [&](const FakeDialogs::Shown&) {
            titleWhenShown = main.windowTitle();
        };
        if (!automatic)
            book.dialogs.answers = {answerYes ? Dialogs::Answer::Yes : Dialogs::Answer::No};
        // Closed from the running event loop, as the close box does; the guard ends a run that
        // would not stop.
        QObject guard;
        QTimer::singleShot(0, &main, &QWidget::close);
        QTimer::singleShot(10000, &guard, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!main.isVisible());
        QCOMPARE(main.windowTitle(), kClosingTitle);
        QCOMPARE(main.cursor().shape(), Qt::WaitCursor);
        QCOMPARE(Backup::set(book.backups()).size(), backups);
        if (backups > 0)
            QVERIFY(!book.db.isOpen());
        QCOMPARE(book.dialogs.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(book.dialogs.messages().constFirst().startsWith(u"Backup: "_s + message),
                     qPrintable(book.dialogs.messages().constFirst()));
            QCOMPARE(book.dialogs.last().buttons,
                     folderIsAFile ? Dialogs::Buttons::Ok : Dialogs::Buttons::YesNo);
            QCOMPARE(titleWhenShown, kClosingTitle);
        }
        if (folderIsAFile) {
            // Tests run as root, where permissions stop nothing: a plain
            // file where the folder should be cannot hold backups either.
            VERIFY_CONTAINS(book.dialogs.last().text, QDir::toNativeSeparators(book.backups()));
            QCOMPARE(filesIn(book.dir()),
                     (QStringList{QStringLiteral("Backups"), QStringLiteral("bd.mdb"),
                                  QStringLiteral("bd.mdb.fechamento")}));
        }
    }

    // A save writes the single row (made in an empty table, with the late
    // columns added to an older one), defaults for empty boxes, and keeps what
    // the window does not edit. A refused save says why and changes nothing,
    // not even the window as the user left it.
    void saveWritesTheSingleRow_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("typedCount");    // "-": as loaded
        QTest::addColumn<QString>("typedCurrency"); // "-": as loaded
        QTest::addColumn<QString>("refusal");       // the book is made read-only; empty: saved
        QTest::addColumn<QStringList>("expected");  // "column=value"
        const auto row = [](const char* name, const QStringList& expected, const char* setup = "",
                            const char* count = "-", const char* currency = "-",
                            const char* refusal = "") {
            QTest::newRow(name) << QString::fromUtf8(setup) << QString::fromUtf8(count)
                                << QString::fromUtf8(currency) << QString::fromUtf8(refusal)
                                << expected;
        };
        const QStringList loaded{
            "susuario=1",      "bkpautomatico=1", "qtdarquivosbkp=7", "corfundoentrada=65280",
            "corletrasaida=0", "moeda=US",        "indioma=Inglês",   "lembrar=1",
            "usuario=maria"};
        row("as loaded", loaded);
        row("empty table gets its single row",
            {"susuario=0", "bkpautomatico=0", "qtdarquivosbkp=5", "corfundoentrada=16711680",
             "moeda=R$", "indioma=Português-Brasil", "lembrar=0"},
            "delete from opcoes");
        row("zero count and empty currency", {"qtdarquivosbkp=5", "moeda=R$"}, "", "0", "");
        row("older table without moeda and indioma",
            {"moeda=R$", "qtdarquivosbkp=7", "usuario=maria"},
            "alter table opcoes drop column moeda; alter table opcoes drop column indioma");
        row("language and currency the boxes cannot offer", {"indioma=Alemão", "moeda=US$"},
            "update opcoes set indioma = 'Alemão', moeda = 'US$'");
        row("refused row", loaded, "", "3", "-", "readonly");
        row("refused missing column", loaded.mid(0, 4), "alter table opcoes drop column moeda", "3",
            "-", "moeda");
    }
    void saveWritesTheSingleRow()
    {
        QFETCH(QString, setup);
        QFETCH(QString, typedCount);
        QFETCH(QString, typedCurrency);
        QFETCH(QString, refusal);
        QFETCH(QStringList, expected);
        OptionsBook book(setup);
        frmOpcoes w(book.session);
        auto* txtQtd = control<QLineEdit>(w, "txtQtd");
        auto* txtMoeda = control<QLineEdit>(w, "txtMoeda");
        if (typedCount != u"-")
            txtQtd->setText(typedCount);
        if (typedCurrency != u"-")
            txtMoeda->setText(typedCurrency);
        if (!refusal.isEmpty()) {
            book.exec(QStringLiteral("PRAGMA query_only = ON"));
            control<QCheckBox>(w, "ckUsuarios")->setChecked(false);
            book.dialogs.colours = {QColor(Qt::magenta)};
            QTest::mouseClick(control<ColorSwatch>(w, "pic1"), Qt::LeftButton);
        }
        control<QToolButton>(w, "btnSalvar")->click();

        for (const QString& pair : expected)
            QCOMPARE(pair.section(u'=', 0, 0) + u'=' + book.stored(pair.section(u'=', 0, 0)), pair);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from opcoes")).toInt(), 1);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from pragma_table_info('opcoes') "
                                            "where name in ('moeda', 'indioma')"))
                     .toInt(),
                 refusal == u"moeda" ? 1 : 2);
        if (refusal.isEmpty()) {
            QVERIFY(book.dialogs.shown.isEmpty());
            QCOMPARE(txtQtd->text(), book.stored(QStringLiteral("qtdarquivosbkp")));
            QCOMPARE(txtMoeda->text(), book.stored(QStringLiteral("moeda")));
            QCOMPARE(QString::number(book.session.Settings.qtdarquivosbkp),
                     book.stored(QStringLiteral("qtdarquivosbkp")));
        } else {
            QCOMPARE(book.dialogs.shown.size(), 1);
            QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
            // A read-only book is told in plain words, the database's text in the details.
            const QString told = book.dialogs.last().text + u'\n' + book.dialogs.last().details;
            QVERIFY2(told.startsWith(QStringLiteral("Não foi possível gravar as opções")) ||
                         told.contains(QStringLiteral(": as opções não foram gravadas.")),
                     qPrintable(told));
            VERIFY_CONTAINS(told, refusal);
            QVERIFY(!control<QCheckBox>(w, "ckUsuarios")->isChecked());
            QVERIFY(book.session.Settings.susuario);
            QCOMPARE(txtQtd->text(), typedCount);
            QCOMPARE(control<ColorSwatch>(w, "pic1")->color(), QColor(Qt::magenta));
        }
    }

    // The copy is the book byte for byte; with the set full, exactly its oldest
    // file goes, other files stay and this program's leftover temporary file
    // goes. A failed copy says what and where, leaves nothing and deletes no
    // backup. The book is never touched.
    void eachBackupKeepsTheSetWhole_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<int>("present"); // -1: no folder yet
        QTest::addColumn<bool>("oldestDeleted");
        QTest::addColumn<QString>("damage"); // to the book; empty: none
        QTest::newRow("first backup creates the folder") << 5 << -1 << false << QString();
        QTest::newRow("five of five") << 5 << 5 << true << QString();
        QTest::newRow("keep one replaces") << 1 << 1 << true << QString();
        QTest::newRow("lowered from 10 to 5 keeps ten") << 5 << 10 << true << QString();
        QTest::newRow("never set") << 0 << 2 << true << QString();
        QTest::newRow("damaged page") << 1 << 2 << false << "page";
        QTest::newRow("book missing") << 1 << 2 << false << "missing";
    }
    void eachBackupKeepsTheSetWhole()
    {
        QFETCH(int, keep);
        QFETCH(int, present);
        QFETCH(bool, oldestDeleted);
        QFETCH(QString, damage);
        OptionsBook book;
        book.db.close();
        const QStringList older = present < 0 ? QStringList() : book.plant(present);
        QByteArray bytes = fileBytes(book.bookPath());
        if (damage == u"page") // a copy that is no sound book is discarded
            bytes.replace(4096, 4096, QByteArray(4096, '\xff'));
        if (damage == u"missing") {
            QVERIFY(QFile::remove(book.bookPath()));
            bytes.clear();
        } else if (!damage.isEmpty()) {
            writeFile(book.bookPath(), bytes);
        }

        const Backup::Outcome result = Backup::make(book.bookPath(), keep, book.clock.now());
        QCOMPARE(fileBytes(book.bookPath()), bytes);
        QStringList set = older.mid(oldestDeleted ? 1 : 0);
        if (damage.isEmpty()) {
            QVERIFY2(result.copy.ok(), qPrintable(result.copy.reason()));
            QVERIFY2(result.prune.ok(), qPrintable(result.prune.reason()));
            QCOMPARE(result.file, QDir(book.backups()).filePath(kName));
            QCOMPARE(fileBytes(result.file), bytes);
            set << kName;
        } else {
            QVERIFY(!result.copy.ok());
            QVERIFY(result.file.isEmpty());
            const QString where = damage == u"missing" ? book.bookPath() : book.backups();
            VERIFY_CONTAINS(result.copy.reason(), QDir::toNativeSeparators(where));
        }
        QCOMPARE(Backup::set(book.backups()), set);
        QStringList folder = set + (present < 0 ? QStringList() : kOthers);
        folder.sort();
        QCOMPARE(filesIn(book.backups()), folder);
    }

    // A backup in the same second as another gets a name that sorts after it.
    void backupsInTheSameSecondNeverOverwrite()
    {
        OptionsBook book;
        book.db.close();
        for (int i = 0; i < 3; ++i)
            Backup::make(book.bookPath(), 10, book.clock.now());
        QCOMPARE(Backup::set(book.backups()),
                 (QStringList{kName, QStringLiteral("2026_12_05_14_03_09_Backup_2.bkp"),
                              QStringLiteral("2026_12_05_14_03_09_Backup_3.bkp")}));
        const QStringList set{kName, QStringLiteral("2026_12_05_14_03_09_Backup_9.bkp")};
        QCOMPARE(Backup::newName(book.clock.now(), book.backups(), set),
                 QStringLiteral("2026_12_05_14_03_09_Backup_90.bkp"));
    }
};

LIVRO_TEST(tst_Settings)
#include "tst_Settings.moc"
