#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "settings/Backup.h"
#include "settings/ColorSwatch.h"
#include "settings/frmOpcoes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// The fixed clock's moment, on the 24-hour clock.
const QString kName = QStringLiteral("2026_12_05_14_03_09_Backup.bkp");
const QStringList kOthers{QStringLiteral("2026_01_01_Backup.bak"), QStringLiteral("notas.txt")};
const QString kClosingTitle = QStringLiteral("Finalizando software e realizando backup, aguarde...");
const QString kQuestion =
    QStringLiteral("Deseja realizar backup do seu banco de dados agora?\nPode ser que demore um pouco.");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(path));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A book with an entry and a stored settings row: login on and remembered,
// seven backups, green and black, a currency and a language of its own.
struct OptionsBook : TestBook
{
    explicit OptionsBook(const QString& setup = QString())
    {
        exec(QStringLiteral("insert into opcoes (lembrar, susuario, usuario, corfundoentrada, corletraentrada, "
                            "corfundosaida, corletrasaida, bkpautomatico, qtdarquivosbkp, moeda, indioma) "
                            "values (1, 1, 'maria', '65280', '0', '65535', '0', 1, 7, 'US', 'Inglês')"));
        addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), std::nullopt, QStringLiteral("Venda"),
                 QStringLiteral("100,00"), QStringLiteral("0,00"));
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
        if (count > 0) {
            QDir().mkpath(backups());
            for (const QString& name : names + kOthers)
                writeFile(QDir(backups()).filePath(name), name.toUtf8());
            writeFile(QDir(backups()).filePath(QStringLiteral("2026_11_30_09_00_00_Backup.bkp.parcial")), "half");
        }
        return names;
    }
    Backup::Result backUp(int keep)
    {
        db.close();
        return Backup::make(bookPath(), keep, clock.now());
    }
};

ColorSwatch* swatch(const QWidget& w, const char* name)
{
    return control<ColorSwatch>(w, name);
}

void save(const QWidget& w)
{
    control<QToolButton>(w, "btnSalvar")->click();
}

// Closes the shown window from the running event loop, as the close box
// does, and runs the application until it quits: true when closing the
// window ended the program. A guard ends a run that would not stop.
bool closingEndsTheProgram(QWidget& window)
{
    window.show();
    QObject guard; // its timer goes with it
    QTimer::singleShot(0, &window, &QWidget::close);
    QTimer::singleShot(10000, &guard, [] { QCoreApplication::exit(1); });
    return QApplication::exec() == 0 && !window.isVisible();
}

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    // "Opções" shows the stored values. Colours are chosen with the mouse or
    // with Space or Enter on a swatch; a cancelled dialog changes nothing.
    // Once saved, the refresh timer repaints the main window's rows and
    // legend while the settings window stays open.
    void theMenuWindowColoursTheMainWindow()
    {
        OptionsBook book;
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("09:00:00"), std::nullopt, QStringLiteral("Luz"),
                      QStringLiteral("0,00"), QStringLiteral("30,00"));
        frmPrincipal main(book.session);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const EntryGridModel* grid = main.gridModel();
        const QColor navy(0, 0, 128), maroon(128, 0, 0), olive(128, 128, 0), white(Qt::white);
        bool checkedWhileOpen = false;
        QTimer::singleShot(0, &main, [&] {
            auto* w = main.findChild<frmOpcoes*>();
            const auto closeAtEnd = qScopeGuard([w] { if (w) w->close(); }); // even after a failed check
            QVERIFY(w && w->isModal() && w->isVisible());
            QVERIFY(control<QCheckBox>(*w, "ckUsuarios")->isChecked());
            QVERIFY(control<QCheckBox>(*w, "ckBKPAutomatico")->isChecked());
            QCOMPARE(control<QLineEdit>(*w, "txtQtd")->text(), QStringLiteral("7"));
            QCOMPARE(control<QLineEdit>(*w, "txtMoeda")->text(), QStringLiteral("US"));
            QCOMPARE(control<QComboBox>(*w, "txtIndioma")->currentText(), QStringLiteral("Inglês"));

            book.dialogs.colours = {navy, std::nullopt, olive, maroon, white};
            QTest::mouseClick(swatch(*w, "pic1"), Qt::LeftButton);
            QTest::mouseClick(swatch(*w, "pic1"), Qt::LeftButton); // cancelled
            QTest::keyClick(swatch(*w, "pic3"), Qt::Key_A);         // opens nothing
            QTest::keyClick(swatch(*w, "pic3"), Qt::Key_Space);
            QTest::keyClick(swatch(*w, "pic4"), Qt::Key_Enter, Qt::KeypadModifier);
            QTest::keyClick(swatch(*w, "pic2"), Qt::Key_Return);
            // The dialog starts from each swatch's stored colour.
            QCOMPARE(book.dialogs.colourInitials,
                     (QList<QColor>{QColor(0, 255, 0), navy, QColor(255, 255, 0), QColor(Qt::black), QColor(Qt::black)}));
            QCOMPARE(swatch(*w, "pic1")->color(), navy);
            save(*w);
            QCOMPARE(book.stored(QStringLiteral("corfundoentrada")), QStringLiteral("8388608"));
            QTRY_COMPARE(grid->index(0, 5).data(Qt::BackgroundRole).value<QColor>(), navy);
            QCOMPARE(grid->index(0, 5).data(Qt::ForegroundRole).value<QColor>(), white);
            QCOMPARE(grid->index(1, 5).data(Qt::BackgroundRole).value<QColor>(), olive);
            QCOMPARE(grid->index(1, 5).data(Qt::ForegroundRole).value<QColor>(), maroon);
            QCOMPARE(control<QLabel>(main, "lblEntrada")->palette().color(QPalette::Window), navy);
            QCOMPARE(control<QLabel>(main, "lblSaida")->palette().color(QPalette::WindowText), maroon);
            QVERIFY(w->isVisible());
            checkedWhileOpen = true;
        });
        control<QAction>(main, "mnuOpcoes")->trigger();
        QVERIFY(checkedWhileOpen);
    }

    // A save writes the single row (creating it in an empty table, adding the
    // late columns to an older one), fills in the defaults of empty boxes and
    // keeps what the window does not edit; the window and Settings then show
    // what was stored.
    void saveWritesTheSingleRow_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("typedCount");    // null: as loaded
        QTest::addColumn<QString>("typedCurrency"); // null: as loaded
        QTest::addColumn<QStringList>("expected");  // "column=value"
        QTest::newRow("as loaded") << QString() << QString() << QString()
                                   << QStringList{"susuario=1", "bkpautomatico=1", "qtdarquivosbkp=7",
                                                  "corletrasaida=0", "moeda=US", "indioma=Inglês", "lembrar=1",
                                                  "usuario=maria"};
        QTest::newRow("empty table gets its single row")
            << "delete from opcoes" << QString() << QString()
            << QStringList{"susuario=0", "bkpautomatico=0", "qtdarquivosbkp=5", "corfundoentrada=16711680",
                           "moeda=R$", "indioma=Português-Brasil", "lembrar=0"};
        QTest::newRow("empty count and currency") << QString() << "" << "" << QStringList{"qtdarquivosbkp=5", "moeda=R$"};
        QTest::newRow("zero count") << QString() << "0" << QString() << QStringList{"qtdarquivosbkp=5"};
        QTest::newRow("older table without moeda and indioma")
            << "alter table opcoes drop column moeda; alter table opcoes drop column indioma" << QString()
            << QString() << QStringList{"moeda=R$", "qtdarquivosbkp=7", "usuario=maria"};
        QTest::newRow("language and currency the boxes cannot offer")
            << "update opcoes set indioma = 'Alemão', moeda = 'US$'" << QString() << QString()
            << QStringList{"indioma=Alemão", "moeda=US$"};
    }
    void saveWritesTheSingleRow()
    {
        QFETCH(QString, setup);
        QFETCH(QString, typedCount);
        QFETCH(QString, typedCurrency);
        QFETCH(QStringList, expected);
        OptionsBook book(setup);
        frmOpcoes w(book.session);
        auto* txtQtd = control<QLineEdit>(w, "txtQtd");
        auto* txtMoeda = control<QLineEdit>(w, "txtMoeda");
        if (!typedCount.isNull())
            txtQtd->setText(typedCount);
        if (!typedCurrency.isNull())
            txtMoeda->setText(typedCurrency);
        save(w);

        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from opcoes")).toInt(), 1);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from pragma_table_info('opcoes') "
                                            "where name in ('moeda', 'indioma')")).toInt(), 2);
        for (const QString& pair : expected)
            QCOMPARE(pair.section(u'=', 0, 0) + u'=' + book.stored(pair.section(u'=', 0, 0)), pair);
        QCOMPARE(txtQtd->text(), book.stored(QStringLiteral("qtdarquivosbkp")));
        QCOMPARE(txtMoeda->text(), book.stored(QStringLiteral("moeda")));
        QCOMPARE(QString::number(book.session.Settings.qtdarquivosbkp), book.stored(QStringLiteral("qtdarquivosbkp")));
    }

    // A save the book refuses says why and changes nothing: not the window
    // as the user left it, not the row, not the settings in force.
    void refusedSaveKeepsTheWindowAsTheUserLeftIt_data()
    {
        QTest::addColumn<bool>("olderTable");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the row") << false << "readonly";
        QTest::newRow("the missing column") << true << "moeda";
    }
    void refusedSaveKeepsTheWindowAsTheUserLeftIt()
    {
        QFETCH(bool, olderTable);
        QFETCH(QString, reason);
        OptionsBook book(olderTable ? QStringLiteral("alter table opcoes drop column moeda") : QString());
        frmOpcoes w(book.session);
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        control<QCheckBox>(w, "ckUsuarios")->setChecked(false);
        control<QLineEdit>(w, "txtQtd")->setText(QStringLiteral("3"));
        book.dialogs.colours = {QColor(Qt::magenta)};
        QTest::mouseClick(swatch(w, "pic1"), Qt::LeftButton);
        save(w);

        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QVERIFY(book.dialogs.last().text.startsWith(QStringLiteral("Não foi possível gravar as opções")));
        QVERIFY2(book.dialogs.last().text.contains(reason), qPrintable(book.dialogs.last().text));
        QVERIFY(!control<QCheckBox>(w, "ckUsuarios")->isChecked());
        QCOMPARE(control<QLineEdit>(w, "txtQtd")->text(), QStringLiteral("3"));
        QCOMPARE(swatch(w, "pic1")->color(), QColor(Qt::magenta));
        QVERIFY(book.session.Settings.susuario);
        QCOMPARE(book.stored(QStringLiteral("corfundoentrada")), QStringLiteral("65280"));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from pragma_table_info('opcoes') where name = 'moeda'"))
                     .toInt(), olderTable ? 0 : 1);
    }

    // The copy is the book byte for byte. The set is listed before the copy:
    // when it held the number to keep or more, exactly its oldest file goes.
    // Other files stay; a temporary file left by a copy cut short goes. A
    // copy that fails says what and where, leaves no temporary or partial
    // file and deletes no older backup. The book is never touched.
    void eachBackupKeepsTheSetWhole_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<int>("present");
        QTest::addColumn<bool>("oldestDeleted");
        QTest::addColumn<QString>("damage"); // to the book; empty: none
        QTest::newRow("first backup creates the folder") << 5 << 0 << false << QString();
        QTest::newRow("below the number") << 5 << 3 << false << QString();
        QTest::newRow("five of five") << 5 << 5 << true << QString();
        QTest::newRow("keep one replaces") << 1 << 1 << true << QString();
        QTest::newRow("lowered from 10 to 5 keeps ten") << 5 << 10 << true << QString();
        QTest::newRow("never set") << 0 << 2 << true << QString();
        QTest::newRow("book not a database") << 1 << 2 << false << "text";
        QTest::newRow("book truncated") << 1 << 2 << false << "truncated";
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
        const QStringList older = book.plant(present);
        QByteArray bytes = fileBytes(book.bookPath());
        if (damage == u"text")
            bytes = "Livro de caixa em texto\n";
        else if (damage == u"truncated")
            bytes.truncate(bytes.size() / 2);
        else if (damage == u"page")
            bytes.replace(4096, 4096, QByteArray(4096, '\xff'));
        if (damage == u"missing") {
            QFile::remove(book.bookPath());
            bytes.clear();
        } else if (!damage.isEmpty()) {
            writeFile(book.bookPath(), bytes);
        }

        const Backup::Result result = book.backUp(keep);
        QCOMPARE(fileBytes(book.bookPath()), bytes);
        QStringList set = older.mid(oldestDeleted ? 1 : 0);
        if (damage.isEmpty()) {
            QVERIFY2(result.copy.ok() && result.prune.ok(), qPrintable(result.copy.reason()));
            QCOMPARE(result.file, QDir(book.backups()).filePath(kName));
            QCOMPARE(fileBytes(result.file), bytes);
            set << kName;
        } else {
            QVERIFY(!result.copy.ok() && result.file.isEmpty());
            const QString where = damage == u"missing" ? book.bookPath() : book.backups();
            QVERIFY2(result.copy.reason().contains(QDir::toNativeSeparators(where)), qPrintable(result.copy.reason()));
        }
        QCOMPARE(Backup::set(book.backups()), set);
        QStringList folder = set + (present > 0 ? kOthers : QStringList());
        folder.sort();
        QCOMPARE(filesIn(book.backups()), folder);
    }

    void backupsInTheSameSecondNeverOverwrite()
    {
        OptionsBook book;
        QStringList made;
        for (int i = 0; i < 3; ++i)
            made.append(QFileInfo(book.backUp(10).file).fileName());
        QCOMPARE(made, (QStringList{kName, QStringLiteral("2026_12_05_14_03_09_Backup_2.bkp"),
                                    QStringLiteral("2026_12_05_14_03_09_Backup_3.bkp")}));
        QCOMPARE(Backup::set(book.backups()), made);
        // Past "_9" the next name must still sort after it.
        const QStringList set{kName, QStringLiteral("2026_12_05_14_03_09_Backup_9.bkp")};
        QCOMPARE(Backup::newName(book.clock.now(), book.backups(), set),
                 QStringLiteral("2026_12_05_14_03_09_Backup_90.bkp"));
    }

    // Closing the main window shows the closing title and the wait pointer,
    // then backs up without asking, or asks first; a failure is told. The
    // program ends in every case.
    void closingTheMainWindow_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<bool>("folderIsAFile");
        QTest::addColumn<int>("backups");
        QTest::addColumn<QString>("message"); // how the one message shown starts; empty: none
        QTest::newRow("automatic asks nothing") << true << true << false << 1 << QString();
        QTest::newRow("asked, Sim") << false << true << false << 1 << kQuestion;
        QTest::newRow("asked, Não") << false << false << false << 0 << kQuestion;
        QTest::newRow("failed backup is told")
            << true << true << true << 0 << QStringLiteral("O backup do livro de caixa não foi feito.");
    }
    void closingTheMainWindow()
    {
        QFETCH(bool, automatic);
        QFETCH(bool, answerYes);
        QFETCH(bool, folderIsAFile);
        QFETCH(int, backups);
        QFETCH(QString, message);
        OptionsBook book(QStringLiteral("update opcoes set bkpautomatico = %1").arg(int(automatic)));
        if (folderIsAFile)
            writeFile(book.backups(), "x");
        frmPrincipal w(book.session);
        const QByteArray before = fileBytes(book.bookPath());
        QString titleWhenShown;
        book.dialogs.onMessage = [&](const FakeDialogs::Shown&) { titleWhenShown = w.windowTitle(); };
        book.dialogs.answers = {answerYes ? Dialogs::Answer::Yes : Dialogs::Answer::No};
        QVERIFY(closingEndsTheProgram(w));

        QCOMPARE(w.windowTitle(), kClosingTitle);
        QCOMPARE(w.cursor().shape(), Qt::WaitCursor);
        QCOMPARE(fileBytes(book.bookPath()), before);
        // The book is closed before it is copied, and the copy opens with its entry.
        QCOMPARE(Backup::set(book.backups()).size(), backups);
        if (backups == 1) {
            QVERIFY(!book.db.isOpen());
            DbConnection copy;
            QVERIFY(copy.open(QDir(book.backups()).filePath(kName)).ok());
            QSqlQuery q(copy.database());
            QVERIFY(q.exec(QStringLiteral("select descricao from caixa")) && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("Venda"));
        }
        QCOMPARE(book.dialogs.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            const FakeDialogs::Shown& shown = book.dialogs.last();
            QCOMPARE(shown.title, QStringLiteral("Backup"));
            QVERIFY2(shown.text.startsWith(message), qPrintable(shown.text));
            QCOMPARE(shown.icon, folderIsAFile ? Dialogs::Icon::Critical : Dialogs::Icon::Question);
            QCOMPARE(shown.buttons, folderIsAFile ? Dialogs::Buttons::Ok : Dialogs::Buttons::YesNo);
            QCOMPARE(titleWhenShown, kClosingTitle);
        }
        if (folderIsAFile) {
            QVERIFY(book.dialogs.last().text.contains(QDir::toNativeSeparators(book.backups())));
            // Tests run as root, where permissions stop nothing: a plain
            // file where the folder should be cannot hold backups either.
            QCOMPARE(fileBytes(book.backups()), QByteArray("x"));
            QCOMPARE(filesIn(book.dir()), (QStringList{QStringLiteral("Backups"), QStringLiteral("bd.mdb")}));
        }
    }
};

LIVRO_TEST(tst_Settings)
#include "tst_Settings.moc"
