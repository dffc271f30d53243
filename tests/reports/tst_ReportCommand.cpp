#include "ProgramRun.h"
#include "ReportBook.h"
#include "TestMain.h"
#include "book/PasswordHash.h"
#include "core/SchemaVersion.h"
#include "reports/ReportOutput.h"
#include "reports/XlsxExport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

// A script's environment: no display of any kind, no platform chosen, and
// no login variables.
QProcessEnvironment scriptEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LIVRO_CAIXA_USUARIO",
                             "LIVRO_CAIXA_SENHA"})
        env.remove(QString::fromLatin1(name));
    return env;
}

// "livro-caixa report ..." as a script runs it, standard input not a
// terminal, the login variables only when the case gives them.
ProgramRun report(const QStringList& arguments, const QStringList& login = {})
{
    QProcessEnvironment env = scriptEnvironment();
    if (login.size() == 2) {
        env.insert(u"LIVRO_CAIXA_USUARIO"_s, login.at(0));
        env.insert(u"LIVRO_CAIXA_SENHA"_s, login.at(1));
    }
    return runProgram(QStringLiteral(LIVRO_PROGRAM), QStringList{u"report"_s} + arguments, env);
}

QStringList december(const QString& dir, const QStringList& output)
{
    return items("--from|01/12/2026|--to|2026-12-03|--data-dir") + QStringList{dir} + output;
}

// Login on, with a common-level user "dona" and a restricted one "caixa1".
void switchLoginOn(TestBook& book)
{
    book.exec(u"insert into usuarios (nome, usuario, senha, restrito) values "
              "('Dona', 'dona', ?, 0), ('Caixa', 'caixa1', ?, 1)"_s,
              {PasswordHash::hash(u"segredo"_s), PasswordHash::hash(u"troco"_s)});
    book.exec(u"insert into opcoes (susuario, corfundoentrada) values (1, '255')"_s);
}

} // namespace

// "livro-caixa report": the window's export of a period, from a script.
class tst_ReportCommand : public QObject
{
    Q_OBJECT

private slots:
    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("told");
        const auto row = [](const char* name, const QByteArray& arguments, const char* told) {
            QTest::newRow(name) << items(arguments.constData(), ' ') << QString::fromUtf8(told);
        };
        const QByteArray to = "--to 02/12/2026 --pdf /tmp/nunca.pdf";
        row("no --from", "--to 01/12/2026 --pdf /tmp/nunca.pdf", "falta a opção --from");
        row("no file", "--from 01/12/2026 --to 02/12/2026", "--pdf ou com --xlsx");
        row("both files", "--from 01/12/2026 " + to + " --xlsx /tmp/nunca.xlsx",
            "--pdf ou com --xlsx");
        row("29 February", "--from 01/02/2026 --to 2026-02-29 --pdf /tmp/nunca.pdf",
            "--to: o dia 2026-02-29 não existe");
        row("not a day", "--from 1/12/26 " + to, "--from: \"1/12/26\" não é um dia");
        row("backwards", "--from 03/12/2026 " + to, "vem depois do último");
        row("unknown option", "--ate 02/12/2026", "ate");
        row("server address",
            "--from 01/12/2026 " + to + " --database mysql://caixa@servidor/livro",
            "--database: o endereço do servidor");
    }
    // A request the command cannot serve is refused before any book is
    // read, naming what is wrong, with status 1 and no file written.
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, told);
        QFile::remove(u"/tmp/nunca.pdf"_s);
        const ProgramRun run = report(arguments);
        QCOMPARE(run.status, 1);
        VERIFY_CONTAINS(run.err, told);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!QFile::exists(u"/tmp/nunca.pdf"_s));
    }

    // "report --help" names every option and the login variables, with no
    // display and no book.
    void help()
    {
        const ProgramRun run = report({u"--help"_s});
        QCOMPARE(run.status, 0);
        for (const char* option :
             {"--from", "--to", "--account", "--page-per-day", "--pdf", "--xlsx", "--data-dir",
              "--database", "LIVRO_CAIXA_USUARIO", "LIVRO_CAIXA_SENHA"})
            QVERIFY2(run.out.contains(QLatin1String(option)), option);
    }

    void bookProblems_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("told");
        QTest::newRow("no book") << u"missing"_s << u"não há livro de caixa"_s;
        QTest::newRow("not a book") << u"text"_s << u"bd.mdb"_s;
        QTest::newRow("older version") << u"older"_s << u"precisa ser atualizado"_s;
        QTest::newRow("newer version") << u"newer"_s << u"versão mais nova"_s;
    }
    // A book that cannot be read as it is gives status 2 and the reason;
    // an older one is not upgraded (that would write) and stays as it was.
    void bookProblems()
    {
        QFETCH(QString, problem);
        QFETCH(QString, told);
        ReportBook book;
        const int current = SchemaVersion::current();
        if (problem == u"older" || problem == u"newer")
            book.exec(u"update schema_version set version = ?"_s,
                      {problem == u"older" ? current - 1 : current + 1});
        book.db.close();
        QString dir = book.dir();
        if (problem == u"missing") {
            dir += u"/vazia"_s;
            QVERIFY(QDir().mkpath(dir));
        } else if (problem == u"text") {
            writeFile(book.bookPath(), QByteArray(4096, 'x'));
        }
        const QByteArray before = fileBytes(book.bookPath());
        const QString pdf = book.dir() + u"/livro.pdf"_s;
        const ProgramRun run = report(december(dir, {u"--pdf"_s, pdf}));
        QCOMPARE(run.status, 2);
        VERIFY_CONTAINS(run.err, told);
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(fileBytes(book.bookPath()), before);
    }

    // The PDF's text is the window's export of the same period; the book is
    // not touched (not even a lock or a journal beside it) and no display
    // was needed. The workbook of one account, its name typed in other
    // letters (accented ones too), holds the cells of the window's export of
    // that account, a page per day too. An unknown account is named, with
    // the book's accounts.
    void theWindowsExports()
    {
        ReportBook book;
        const QString windowPdf = book.dir() + u"/janela.pdf"_s;
        const QString windowXlsx = book.dir() + u"/janela.xlsx"_s;
        QVERIFY(ReportOutput::writePdf(*book.report(kFirst, kThird).document, windowPdf));
        const auto banco = book.report(kFirst, kThird, book.banco, true, u"BANCO D'ÁVILA"_s);
        QVERIFY(XlsxExport::write(*banco.content, windowXlsx));
        book.db.close();
        QVERIFY(QDir().mkpath(book.dir() + u"/saida"_s));
        const QString pdf = book.dir() + u"/saida/comando.pdf"_s;
        const QString xlsx = book.dir() + u"/saida/comando.xlsx"_s;
        const QStringList before = filesIn(book.dir());
        const QByteArray bytes = fileBytes(book.bookPath());
        const ProgramRun run = report(december(book.dir(), {u"--pdf"_s, pdf}));
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QVERIFY(run.out.contains(pdf));
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(u"LIVRO DE CAIXA"_s));
        QCOMPARE(text, pdfText(windowPdf));
        QCOMPARE(filesIn(book.dir()), before);
        QCOMPARE(fileBytes(book.bookPath()), bytes);

        const ProgramRun unknown =
            report(december(book.dir(), {u"--account"_s, u"Bancos"_s, u"--xlsx"_s, xlsx}));
        QCOMPARE(unknown.status, 1);
        VERIFY_CONTAINS(unknown.err, u"a conta \"Bancos\" não existe"_s);
        VERIFY_CONTAINS(unknown.err, u"BANCO D'ÁVILA, CAIXA"_s);
        QVERIFY(!QFile::exists(xlsx));
        const ProgramRun one =
            report(december(book.dir(), {u"--account"_s, u"banco d'ávila"_s, u"--page-per-day"_s,
                                         u"--xlsx"_s, xlsx}));
        QCOMPARE(one.status, 0);
        const QStringList rows = sheetRows(xlsx);
        QVERIFY(rows.join(u'\n').contains(u"Aluguel"_s) && !rows.join(u'\n').contains(u"Venda"_s));
        QCOMPARE(rows, sheetRows(windowXlsx));
    }

    // With login on, the user and password come from the variables; without
    // them and without a terminal the command ends at once. A restricted
    // user gets only today's report, as in the window. The password is never
    // repeated in what the command prints.
    void login()
    {
        ReportBook book;
        switchLoginOn(book);
        const QString pdf = book.dir() + u"/login.pdf"_s;
        const QString today = QDate::currentDate().toString(u"dd/MM/yyyy"_s);
        const QStringList todayOnly{u"--from"_s,     today,      u"--to"_s,  today,
                                    u"--data-dir"_s, book.dir(), u"--pdf"_s, pdf};
        struct Case
        {
            const char* name;
            QStringList login;
            bool onlyToday;
            int status;
            const char* told;
        };
        const Case cases[] = {
            {"no variables, no terminal", {}, false, 1, "LIVRO_CAIXA_USUARIO"},
            {"only the user", {u"dona"_s, QString()}, false, 1, "LIVRO_CAIXA_SENHA"},
            {"wrong password", {u"dona"_s, u"segred"_s}, false, 1, "usuário ou senha incorretos"},
            {"common level", {u"dona"_s, u"segredo"_s}, false, 0, ""},
            {"restricted, a period", {u"caixa1"_s, u"troco"_s}, false, 1, "só pode emitir"},
            {"restricted, today", {u"caixa1"_s, u"troco"_s}, true, 0, ""}};
        for (const Case& c : cases) {
            QFile::remove(pdf);
            const ProgramRun run =
                report(c.onlyToday ? todayOnly : december(book.dir(), {u"--pdf"_s, pdf}), c.login);
            const QString what = QString::fromUtf8(c.name) + u": "_s;
            QCOMPARE(what + QString::number(run.status) + u' ' +
                         QString::number(QFile::exists(pdf)),
                     what + QString::number(c.status) + u' ' + QString::number(c.status == 0));
            VERIFY_CONTAINS(what + run.err, QString::fromUtf8(c.told));
            QVERIFY2(!run.err.contains(u"segredo"_s) && !run.out.contains(u"segredo"_s), c.name);
        }
    }

    // On a terminal the user and password are asked; the password is not
    // shown while it is typed (util-linux's script gives the command a
    // terminal, and shows what that terminal echoes).
    void loginOnTheTerminal()
    {
        ReportBook book;
        switchLoginOn(book);
        const QString pdf = book.dir() + u"/terminal.pdf"_s;
        QProcess terminal;
        terminal.setProcessEnvironment(scriptEnvironment());
        terminal.setProcessChannelMode(QProcess::MergedChannels);
        const QString command = (QStringList{QStringLiteral(LIVRO_PROGRAM), u"report"_s} +
                                 december(book.dir(), {u"--pdf"_s, pdf}))
                                    .join(u' ');
        terminal.start(u"script"_s, {u"-qefc"_s, command, u"/dev/null"_s});
        QVERIFY(terminal.waitForStarted());
        QByteArray shown;
        const auto waitFor = [&](const QByteArray& text) {
            while (!shown.contains(text) && terminal.waitForReadyRead(20000))
                shown += terminal.readAll();
            return shown.contains(text);
        };
        QVERIFY2(waitFor("Usuário: "), shown.constData());
        terminal.write("dona\n");
        // Echo is off before the question shows.
        QVERIFY2(waitFor("Senha: "), shown.constData());
        terminal.write("segredo\n");
        QVERIFY(terminal.waitForFinished(60000));
        shown += terminal.readAll();
        QCOMPARE(terminal.exitCode(), 0);
        QVERIFY2(shown.contains("dona"), shown.constData());
        QVERIFY2(!shown.contains("segredo"), shown.constData());
        QVERIFY(QFile::exists(pdf));
    }
};

LIVRO_TEST(tst_ReportCommand)
#include "tst_ReportCommand.moc"
