#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/Startup.h"
#include "settings/ColorSwatch.h"
#include "settings/frmOpcoes.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// A stored row: login on, automatic backup, seven backups, green and black.
struct OptionsBook : TestBook
{
    OptionsBook()
    {
        exec(QStringLiteral("insert into opcoes (lembrar, susuario, usuario, corfundoentrada, corletraentrada, "
                            "corfundosaida, corletrasaida, bkpautomatico, qtdarquivosbkp, moeda, indioma) "
                            "values (0, 1, '', '65280', '0', '65535', '0', 1, 7, 'US', 'Inglês')"));
        LoadSettings(db, session.Settings);
    }
    QString stored(const char* column)
    {
        return scalar(QStringLiteral("select %1 from opcoes").arg(QLatin1String(column))).toString();
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

} // namespace

class tst_OptionsWindow : public QObject
{
    Q_OBJECT

private slots:
    void layout()
    {
        OptionsBook book;
        frmOpcoes w(book.session);
        QCOMPARE(w.objectName(), QStringLiteral("frmOpcoes"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Opções"));
        QCOMPARE(w.minimumSize(), QSize(549, 270));
        QCOMPARE(w.maximumSize(), QSize(549, 270));
        QCOMPARE(control<QCheckBox>(w, "ckUsuarios")->text(),
                 QStringLiteral("Ativar sistema de segurança (Login de usuário)"));
        QCOMPARE(control<QCheckBox>(w, "ckBKPAutomatico")->text().simplified(),
                 QStringLiteral("Fazer backup automático"));
        QCOMPARE(control<QToolButton>(w, "btnSalvar")->text(), QStringLiteral("Salvar"));
        auto* txtQtd = control<QLineEdit>(w, "txtQtd");
        QCOMPARE(txtQtd->toolTip(), QStringLiteral("Quantidade de arquivos que deseja manter em backup"));
        QCOMPARE(txtQtd->maxLength(), 2);
        auto* txtIndioma = control<QComboBox>(w, "txtIndioma");
        QStringList items;
        for (int i = 0; i < txtIndioma->count(); ++i)
            items.append(txtIndioma->itemText(i));
        QCOMPARE(items, (QStringList{QStringLiteral("Português-Brasil"), QStringLiteral("Português-Portugal"),
                                     QStringLiteral("Espanhol"), QStringLiteral("Inglês")}));
        QVERIFY(!txtIndioma->isEnabled());
        QVERIFY(!control<QLineEdit>(w, "txtMoeda")->isEnabled());
        // The two captions of the shown-only settings are greyed out with them.
        for (const QLabel* label : w.findChildren<QLabel*>()) {
            if (label->text() == u"Indioma" || label->text() == u"Moeda")
                QVERIFY(!label->isEnabled());
        }
        // Entrada on the left, Saída on the right; background above text.
        QCOMPARE(swatch(w, "pic1")->mapTo(&w, QPoint()), QPoint(32, 143));
        QCOMPARE(swatch(w, "pic2")->mapTo(&w, QPoint()), QPoint(32, 181));
        QCOMPARE(swatch(w, "pic3")->mapTo(&w, QPoint()), QPoint(130, 143));
        QCOMPARE(swatch(w, "pic4")->geometry().size(), QSize(33, 30));
    }

    void tabOrder()
    {
        OptionsBook book;
        frmOpcoes w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        swatch(w, "pic1")->setFocus();
        QStringList visited;
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(visited, (QStringList{QStringLiteral("pic2"), QStringLiteral("ckUsuarios"),
                                       QStringLiteral("btnSalvar"), QStringLiteral("pic4"), QStringLiteral("pic3"),
                                       QStringLiteral("txtQtd"), QStringLiteral("ckBKPAutomatico"),
                                       QStringLiteral("pic1")}));
    }

    void loadShowsTheStoredValues()
    {
        OptionsBook book;
        frmOpcoes w(book.session);
        QCOMPARE(swatch(w, "pic1")->color(), QColor(0, 255, 0));
        QCOMPARE(swatch(w, "pic2")->color(), QColor(0, 0, 0));
        QCOMPARE(swatch(w, "pic3")->color(), QColor(255, 255, 0));
        QCOMPARE(swatch(w, "pic4")->color(), QColor(0, 0, 0));
        QVERIFY(control<QCheckBox>(w, "ckUsuarios")->isChecked());
        QVERIFY(control<QCheckBox>(w, "ckBKPAutomatico")->isChecked());
        QCOMPARE(control<QLineEdit>(w, "txtQtd")->text(), QStringLiteral("7"));
        QCOMPARE(control<QLineEdit>(w, "txtMoeda")->text(), QStringLiteral("US"));
        QCOMPARE(control<QComboBox>(w, "txtIndioma")->currentText(), QStringLiteral("Inglês"));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void storedValuesTheBoxesCannotOfferAreKept()
    {
        OptionsBook book;
        book.exec(QStringLiteral("update opcoes set indioma = 'Alemão', moeda = 'US$'"));
        LoadSettings(book.db, book.session.Settings);
        frmOpcoes w(book.session);
        QCOMPARE(control<QComboBox>(w, "txtIndioma")->currentIndex(), -1);
        QCOMPARE(control<QLineEdit>(w, "txtMoeda")->text(), QStringLiteral("US$"));
        save(w);
        QCOMPARE(book.stored("indioma"), QStringLiteral("Alemão"));
        QCOMPARE(book.stored("moeda"), QStringLiteral("US$"));
    }

    void swatchesAskForAColour()
    {
        OptionsBook book;
        frmOpcoes w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* pic1 = swatch(w, "pic1");
        book.dialogs.colours = {QColor(10, 20, 30)};
        QTest::mouseClick(pic1, Qt::LeftButton);
        QCOMPARE(book.dialogs.colourInitials, QList<QColor>{QColor(0, 255, 0)});
        QCOMPARE(pic1->color(), QColor(10, 20, 30));

        // Cancelling the dialog leaves the swatch as it was.
        QTest::mouseClick(pic1, Qt::LeftButton);
        QCOMPARE(book.dialogs.colourInitials.size(), 2);
        QCOMPARE(pic1->color(), QColor(10, 20, 30));

        // Space or Enter on a focused swatch opens the dialog too; other keys do not.
        book.dialogs.colours = {QColor(Qt::red), QColor(Qt::white), QColor(Qt::blue)};
        auto* pic3 = swatch(w, "pic3");
        pic3->setFocus();
        QTest::keyClick(pic3, Qt::Key_A);
        QCOMPARE(book.dialogs.colourInitials.size(), 2);
        QTest::keyClick(pic3, Qt::Key_Space);
        QCOMPARE(pic3->color(), QColor(Qt::red));
        QTest::keyClick(swatch(w, "pic4"), Qt::Key_Return);
        QCOMPARE(swatch(w, "pic4")->color(), QColor(Qt::white));
        QTest::keyClick(swatch(w, "pic2"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(swatch(w, "pic2")->color(), QColor(Qt::blue));
        QVERIFY(w.isVisible());

        save(w);
        QCOMPARE(book.stored("corfundoentrada"), QStringLiteral("1971210"));
        QCOMPARE(book.stored("corletraentrada"), QStringLiteral("16711680"));
        QCOMPARE(book.stored("corfundosaida"), QStringLiteral("255"));
        QCOMPARE(book.stored("corletrasaida"), QStringLiteral("16777215"));
        QCOMPARE(book.session.Settings.corfundoentrada, QStringLiteral("1971210"));
    }

    void emptyCountAndCurrencyGetTheirDefaults()
    {
        OptionsBook book;
        // Only a book that could not be read leaves the currency empty.
        book.session.Settings.moeda.clear();
        frmOpcoes w(book.session);
        auto* txtQtd = control<QLineEdit>(w, "txtQtd");
        txtQtd->clear();
        control<QCheckBox>(w, "ckBKPAutomatico")->setChecked(false);
        save(w);
        QCOMPARE(txtQtd->text(), QStringLiteral("5"));
        QCOMPARE(control<QLineEdit>(w, "txtMoeda")->text(), QStringLiteral("R$"));
        QCOMPARE(book.stored("qtdarquivosbkp"), QStringLiteral("5"));
        QCOMPARE(book.stored("moeda"), QStringLiteral("R$"));
        QCOMPARE(book.stored("bkpautomatico"), QStringLiteral("0"));
        QCOMPARE(book.session.Settings.qtdarquivosbkp, qint16(5));
        QVERIFY(!book.session.Settings.bkpautomatico);

        txtQtd->setText(QStringLiteral("12"));
        save(w);
        QCOMPARE(book.session.Settings.qtdarquivosbkp, qint16(12));
    }

    void loginSwitchActsAtTheNextStart()
    {
        TestBook book;
        LoadSettings(book.db, book.session.Settings);
        frmOpcoes w(book.session);
        control<QCheckBox>(w, "ckUsuarios")->setChecked(true);
        save(w);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from opcoes")).toInt(), 1);
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Login);
    }

    void savedColoursReachTheMainWindow()
    {
        OptionsBook book;
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), std::nullopt, QStringLiteral("Venda"),
                      QStringLiteral("100,00"), QStringLiteral("0,00"));
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("09:00:00"), std::nullopt, QStringLiteral("Luz"),
                      QStringLiteral("0,00"), QStringLiteral("30,00"));
        frmPrincipal main(book.session);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const EntryGridModel* grid = main.gridModel();
        bool checkedWhileOpen = false;
        QTimer::singleShot(0, &main, [&] {
            auto* w = main.findChild<frmOpcoes*>();
            QVERIFY(w && w->isModal() && w->isVisible());
            book.dialogs.colours = {QColor(0, 0, 128), QColor(128, 0, 0)};
            QTest::mouseClick(swatch(*w, "pic1"), Qt::LeftButton);
            QTest::mouseClick(swatch(*w, "pic4"), Qt::LeftButton);
            save(*w);
            // The refresh timer repaints the rows and the legend; the window stays open.
            QTRY_COMPARE(grid->index(0, 5).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 128));
            QCOMPARE(grid->index(1, 5).data(Qt::ForegroundRole).value<QColor>(), QColor(128, 0, 0));
            QCOMPARE(grid->index(1, 5).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 0));
            QCOMPARE(control<QLabel>(main, "lblEntrada")->palette().color(QPalette::Window), QColor(0, 0, 128));
            QCOMPARE(control<QLabel>(main, "lblSaida")->palette().color(QPalette::WindowText), QColor(128, 0, 0));
            QVERIFY(w->isVisible());
            checkedWhileOpen = true;
            w->close();
        });
        control<QAction>(main, "mnuOpcoes")->trigger();
        QVERIFY(checkedWhileOpen);
        QVERIFY(!main.findChild<frmOpcoes*>());
    }

    void refusedSaveKeepsTheWindowAsTheUserLeftIt()
    {
        OptionsBook book;
        frmOpcoes w(book.session);
        QSignalSpy saved(&w, &frmOpcoes::saved);
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        control<QCheckBox>(w, "ckUsuarios")->setChecked(false);
        control<QLineEdit>(w, "txtQtd")->setText(QStringLiteral("3"));
        book.dialogs.colours = {QColor(Qt::magenta)};
        QTest::mouseClick(swatch(w, "pic1"), Qt::LeftButton);
        save(w);

        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QVERIFY(book.dialogs.last().text.startsWith(QStringLiteral("Não foi possível gravar as opções")));
        QVERIFY2(book.dialogs.last().text.contains(QStringLiteral("readonly")), qPrintable(book.dialogs.last().text));
        QVERIFY(!control<QCheckBox>(w, "ckUsuarios")->isChecked());
        QCOMPARE(control<QLineEdit>(w, "txtQtd")->text(), QStringLiteral("3"));
        QCOMPARE(swatch(w, "pic1")->color(), QColor(Qt::magenta));
        // Nothing changed behind the window either.
        QCOMPARE(saved.count(), 0);
        QVERIFY(book.session.Settings.susuario);
        QCOMPARE(book.session.Settings.qtdarquivosbkp, qint16(7));
        QCOMPARE(book.stored("susuario"), QStringLiteral("1"));
        QCOMPARE(book.stored("corfundoentrada"), QStringLiteral("65280"));
    }
};

LIVRO_TEST(tst_OptionsWindow)
#include "tst_OptionsWindow.moc"
