#include "app/ReportCommand.h"

#include "app/ServerCommands.h"
#include "app/Startup.h"
#include "app/TerminalLogin.h"
#include "book/AccountBook.h"
#include "book/ReportRows.h"
#include "book/UserStore.h"
#include "core/BookFile.h"
#include "core/Clock.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/SchemaVersion.h"
#include "core/ServerAddress.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "reports/ReportPdf.h"
#include "reports/ReportPeriod.h"
#include "reports/XlsxExport.h"
#include "reports/dtrLivroCaixa.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void tell(std::FILE* to, const QString& text)
{
    std::fprintf(to, "livro-caixa report: %s\n", text.toLocal8Bit().constData());
}

} // namespace

bool ReportCommand::requested(int argc, char* argv[])
{
    return argc >= 2 && std::strcmp(argv[1], "report") == 0;
}

QString ReportCommand::help()
{
    return tr("Uso: livro-caixa report --from DIA --to DIA [--account CONTA] [--page-per-day]\n"
              "                        (--pdf ARQUIVO | --xlsx ARQUIVO)\n"
              "                        [--data-dir PASTA | --database URL]\n"
              "\n"
              "Grava o relatório do livro de caixa de um período num arquivo PDF ou numa planilha\n"
              "XLSX, o mesmo que a janela \"Relatórios\" exporta, sem abrir janela nenhuma (não\n"
              "precisa de tela). O livro é só lido: nada é gravado nele e ele pode estar aberto\n"
              "no programa ao mesmo tempo.\n"
              "\n"
              "  --from DIA         primeiro dia do período, dd/MM/aaaa ou aaaa-MM-dd\n"
              "  --to DIA           último dia do período (o mesmo dia para um dia só)\n"
              "  --account CONTA    só os lançamentos desta conta (maiúsculas ou minúsculas,\n"
              "                     tanto faz); sem esta opção, todas as contas\n"
              "  --page-per-day     uma página por dia\n"
              "  --pdf ARQUIVO      grava o relatório em PDF\n"
              "  --xlsx ARQUIVO     grava o relatório numa planilha XLSX\n"
              "  --data-dir PASTA   a pasta de dados com o livro bd.mdb (sem esta opção, a mesma\n"
              "                     pasta que o programa usa)\n"
              "  --database URL     um livro de caixa num servidor PostgreSQL\n"
              "                     (postgresql://usuario@servidor/banco; a senha do servidor\n"
              "                     vem da URL ou do arquivo ~/.pgpass)\n"
              "\n"
              "Com o login de usuários ligado, o usuário e a senha vêm das variáveis\n"
              "LIVRO_CAIXA_USUARIO e LIVRO_CAIXA_SENHA ou são perguntados no terminal (a senha\n"
              "não aparece). Um usuário restrito só emite o relatório do dia de hoje.\n"
              "\n"
              "Exemplo: livro-caixa report --from 01/11/2026 --to 30/11/2026 --pdf novembro.pdf\n"
              "\n"
              "Saída: 0 relatório gravado; 1 problema no pedido (uma opção que falta, um dia que\n"
              "não existe, uma conta que não existe, usuário ou senha, o arquivo que não pôde\n"
              "ser gravado); 2 o livro de caixa não pôde ser aberto ou lido.\n");
}

Result<QDate> ReportCommand::parseDay(const QString& option, const QString& text)
{
    static const QRegularExpression brazilian(QStringLiteral("^(\\d{2})/(\\d{2})/(\\d{4})$"));
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QString trimmed = text.trimmed();
    QDate day;
    if (const auto m = brazilian.match(trimmed); m.hasMatch())
        day = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    else if (const auto i = iso.match(trimmed); i.hasMatch())
        day = QDate(i.captured(1).toInt(), i.captured(2).toInt(), i.captured(3).toInt());
    else
        return Status::failure(
            tr("%1: \"%2\" não é um dia (escreva dd/MM/aaaa ou aaaa-MM-dd, como 30/11/2026)")
                .arg(option, text));
    if (!day.isValid() || day.year() < 1900)
        return Status::failure(tr("%1: o dia %2 não existe").arg(option, trimmed));
    return day;
}

Result<ReportCommand::Request> ReportCommand::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("DIA"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("DIA"));
    const QCommandLineOption account(QStringLiteral("account"), QString(), QStringLiteral("C"));
    const QCommandLineOption pagePerDay(QStringLiteral("page-per-day"), QString());
    const QCommandLineOption pdf(QStringLiteral("pdf"), QString(), QStringLiteral("ARQUIVO"));
    const QCommandLineOption xlsx(QStringLiteral("xlsx"), QString(), QStringLiteral("ARQUIVO"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QString(), QStringLiteral("P"));
    const QCommandLineOption database(QStringLiteral("database"), QString(), QStringLiteral("U"));
    const QCommandLineOption help({QStringLiteral("help"), QStringLiteral("h")}, QString());
    parser.addOptions({from, to, account, pagePerDay, pdf, xlsx, dataDir, database, help});
    if (!parser.parse(QStringList{QStringLiteral("livro-caixa")} + arguments))
        return Status::failure(parser.errorText());
    Request request;
    if (parser.isSet(help)) {
        request.help = true;
        return request;
    }
    if (!parser.positionalArguments().isEmpty())
        return Status::failure(
            tr("argumento a mais: %1").arg(parser.positionalArguments().join(u' ')));
    for (const QCommandLineOption* option : {&from, &to}) {
        if (!parser.isSet(*option))
            return Status::failure(tr("falta a opção --%1").arg(option->names().constFirst()));
    }
    if (parser.isSet(pdf) == parser.isSet(xlsx))
        return Status::failure(
            tr("escolha o arquivo a gravar com --pdf ou com --xlsx (um dos dois)"));
    const auto first = parseDay(QStringLiteral("--from"), parser.value(from));
    if (!first)
        return first.status();
    const auto last = parseDay(QStringLiteral("--to"), parser.value(to));
    if (!last)
        return last.status();
    if (*first > *last)
        return Status::failure(tr("o primeiro dia (--from %1) vem depois do último (--to %2)")
                                   .arg(parser.value(from), parser.value(to)));
    request.first = *first;
    request.last = *last;
    request.account = parser.value(account).trimmed();
    if (parser.isSet(account) && request.account.isEmpty())
        return Status::failure(tr("--account: falta o nome da conta"));
    request.pagePerDay = parser.isSet(pagePerDay);
    request.pdf = parser.value(pdf);
    request.xlsx = parser.value(xlsx);
    if (parser.isSet(dataDir) && parser.isSet(database))
        return Status::failure(tr("use --data-dir ou --database, não os dois"));
    request.dataDir = parser.value(dataDir);
    request.database = parser.value(database);
    return request;
}

namespace {

// One run of the command: each step either goes on or stops the run with
// an exit status and the reason.
class ReportRun
{
public:
    explicit ReportRun(const ReportCommand::Request& request) : m_request(request) {}

    int exec()
    {
        if (openBook() && logIn() && checkRights() && chooseAccount() && write()) {
            std::printf(
                "%s\n",
                qPrintable(ReportCommand::tr("Relatório gravado em %1").arg(native(outputFile()))));
            return ReportCommand::Done;
        }
        tell(stderr, m_reason);
        return m_exit;
    }

private:
    bool stop(ReportCommand::Exit exit, const QString& reason)
    {
        m_exit = exit;
        m_reason = reason;
        return false;
    }

    QString outputFile() const
    {
        return QFileInfo(m_request.pdf.isEmpty() ? m_request.xlsx : m_request.pdf)
            .absoluteFilePath();
    }

    QString dataFolder() const
    {
        return DataFolder::resolve(
            m_request.dataDir, QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    }

    bool openBook();
    bool openServerBook(const QString& url);
    bool checkVersion(const QString& book);
    bool logIn();
    bool checkRights();
    bool chooseAccount();
    bool write();

    const ReportCommand::Request& m_request;
    ReportCommand::Exit m_exit = ReportCommand::Done;
    QString m_reason;
    DbConnection m_db;
    SettingsValues m_settings;
    UserInfo m_user;
    qint64 m_accountId = 0;
    QString m_accountName;
};

// Read-only, with the whole file checked; the book of an older version is
// not upgraded here (that writes), so it is refused with the way out. A
// server book (--database, or the data folder's connection file) is read
// where the program would use it.
bool ReportRun::openBook()
{
    const QString dir = dataFolder();
    if (const QString server = ServerCommands::serverUrlFor(dir, m_request.database);
        !server.isEmpty())
        return openServerBook(server);
    const QString book = DataFolder::bookPath(dir);
    switch (BookFile::kind(book)) {
    case BookFile::Kind::Missing:
        return stop(ReportCommand::NoBook,
                    ReportCommand::tr("não há livro de caixa em %1").arg(native(dir)));
    case BookFile::Kind::Access:
        return stop(ReportCommand::NoBook,
                    ReportCommand::tr("o livro de caixa %1 é do programa antigo e ainda não foi "
                                      "convertido: abra-o uma vez no programa (livro-caixa), "
                                      "que o converte")
                        .arg(native(book)));
    default:
        break;
    }
    if (Status opened = m_db.openReadOnly(book); !opened)
        return stop(ReportCommand::NoBook, opened.reason());
    if (!checkVersion(book))
        return false;
    LoadSettings(m_db, m_settings);
    return true;
}

// The server connects as the program's desks do; a password it wants comes
// from the URL or libpq's password file, since a report for a script asks
// nothing but the login.
bool ReportRun::openServerBook(const QString& url)
{
    const auto address = ServerAddress::parse(url);
    if (!address)
        return stop(ReportCommand::BadInput, QStringLiteral("--database: ") + address.reason());
    if (Status opened = m_db.openServer(*address, DbConnection::ServerUse::Reader); !opened)
        return stop(ReportCommand::NoBook,
                    m_db.passwordRefused()
                        ? ReportCommand::tr("%1\nO servidor pede uma senha: ponha-a no arquivo "
                                            "de senhas ~/.pgpass (ou na URL) e tente de novo.")
                              .arg(opened.reason())
                        : opened.reason());
    if (!checkVersion(address->display()))
        return false;
    LoadSettings(m_db, m_settings);
    return true;
}

bool ReportRun::checkVersion(const QString& book)
{
    const auto version = SchemaVersion::of(m_db.database());
    if (!version)
        return stop(ReportCommand::NoBook, version.reason());
    if (*version > SchemaVersion::current())
        return stop(ReportCommand::NoBook,
                    ReportCommand::tr("o livro de caixa %1 foi gravado por uma versão mais nova "
                                      "do programa (versão %2 do livro; este programa conhece "
                                      "até a versão %3): atualize o programa")
                        .arg(native(book))
                        .arg(*version)
                        .arg(SchemaVersion::current()));
    if (*version < SchemaVersion::current())
        return stop(ReportCommand::NoBook,
                    ReportCommand::tr("o livro de caixa %1 é de uma versão anterior do programa "
                                      "(versão %2 do livro; esta é a versão %3) e precisa ser "
                                      "atualizado, o que o relatório não faz, pois não grava "
                                      "nada no livro: abra-o uma vez no programa (livro-caixa), "
                                      "que o atualiza")
                        .arg(native(book))
                        .arg(*version)
                        .arg(SchemaVersion::current()));
    return true;
}

bool ReportRun::logIn()
{
    if (!m_settings.susuario)
        return true;
    const auto given = TerminalLogin::obtain();
    if (!given)
        return stop(ReportCommand::BadInput,
                    ReportCommand::tr("o login de usuários está ligado neste livro de caixa: "
                                      "informe o usuário e a senha nas variáveis %1 e %2, ou "
                                      "rode o comando num terminal")
                        .arg(QLatin1String(TerminalLogin::kUserVariable),
                             QLatin1String(TerminalLogin::kPasswordVariable)));
    const QString user = given->user.trimmed();
    const auto found = UserStore(m_db).logIn(user, given->password.trimmed());
    if (!found)
        return stop(ReportCommand::NoBook,
                    ReportCommand::tr("os usuários do livro de caixa não puderam ser lidos: %1")
                        .arg(found.reason()));
    if (!*found)
        return stop(ReportCommand::BadInput,
                    ReportCommand::tr("nome de usuário ou senha incorretos"));
    m_user.userName = user;
    m_user.userLevel = (*found)->restrito ? QStringLiteral("r") : QStringLiteral("c");
    return true;
}

// A restricted user reports the day's movement only, as in the report window.
bool ReportRun::checkRights()
{
    const QDate today = SystemClock().today();
    if (!m_user.isRestricted() || (m_request.first == today && m_request.last == today))
        return true;
    return stop(ReportCommand::BadInput,
                ReportCommand::tr("o usuário %1 é restrito e só pode emitir o relatório de hoje "
                                  "(--from %2 --to %2)")
                    .arg(m_user.userName, today.toString(QStringLiteral("dd/MM/yyyy"))));
}

bool ReportRun::chooseAccount()
{
    if (m_request.account.isEmpty()) {
        m_accountName = ReportCommand::tr("Todas");
        return true;
    }
    AccountBook accounts(m_db);
    const auto names = accounts.namesInOrder();
    if (!names)
        return stop(ReportCommand::NoBook, names.reason());
    for (const QString& name : *names) {
        if (AccountBook::sameName(name, m_request.account))
            m_accountName = name;
    }
    if (m_accountName.isEmpty())
        return stop(ReportCommand::BadInput,
                    ReportCommand::tr("a conta \"%1\" não existe neste livro de caixa (as contas "
                                      "são: %2)")
                        .arg(m_request.account, names->join(QStringLiteral(", "))));
    const auto id = accounts.idOf(m_accountName);
    if (!id || !*id)
        return stop(ReportCommand::NoBook,
                    id ? ReportCommand::tr("a conta %1 não pôde ser lida").arg(m_accountName)
                       : id.reason());
    m_accountId = **id;
    return true;
}

// The report the window previews, made the same way, then the same export.
bool ReportRun::write()
{
    auto input = ReportInput::read(m_db, {m_request.first, m_request.last, m_accountId});
    if (!input)
        return stop(
            ReportCommand::NoBook,
            ReportCommand::tr("o livro de caixa não pôde ser lido: %1").arg(input.reason()));
    const ReportContext context{input->openingBalance,
                                ReportPeriod::text(m_request.first, m_request.last),
                                m_request.pagePerDay};
    const dtrLivroCaixa::Output out = dtrLivroCaixa::run(
        context, std::make_shared<CashBookRows>(std::move(input->rows)), m_accountName);
    m_db.close();
    const QString file = outputFile();
    const Status written =
        m_request.pdf.isEmpty()
            ? XlsxExport::write(*out.content, file)
            : ReportPdf::write(*out.document, ReportPdf::drawChart(*out.document), file);
    if (!written)
        return stop(ReportCommand::BadInput,
                    ReportCommand::tr("o relatório não pôde ser gravado em %1: %2")
                        .arg(native(file), written.reason()));
    return true;
}

} // namespace

namespace {

// Qt's own remarks about the offscreen platform (no runtime folder, no
// screen) mean nothing to whoever runs a report from a script; the
// command's own messages are printed apart from them.
void dropQtRemarks(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int ReportCommand::run(int argc, char* argv[])
{
    qInstallMessageHandler(dropQtRemarks);
    // The chart is drawn with Qt Charts, which needs a GUI application; the
    // offscreen platform gives one without any display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Startup::describeApplication(app);
    const auto request = parse(app.arguments().mid(2));
    if (!request) {
        tell(stderr, request.reason());
        tell(stderr, tr("veja livro-caixa report --help"));
        return BadInput;
    }
    if (request->help) {
        std::printf("%s", qPrintable(help()));
        return Done;
    }
    return ReportRun(*request).exec();
}
