// The guide's pictures: a sample shop's book is made in a scratch folder,
// each window the guide shows is opened on it as the program opens it, and
// its picture is taken with QWidget::grab on Qt's offscreen platform. No
// display, no window manager and no timing of clicks are involved, so the
// pictures are the same on every run and follow every change of a window.
//
//   guide_screenshots OUTPUT_FOLDER

#include "app/Shell.h"
#include "book/Backup.h"
#include "book/Closings.h"
#include "cashbook/frmPrincipal.h"
#include "closings/frmFecharDia.h"
#include "core/Clock.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Money.h"
#include "core/Session.h"
#include "core/Sql.h"
#include "entries/frmCadCaixa.h"
#include "entries/frmCadConta.h"
#include "reports/frmRel.h"
#include "settings/RestoreWindow.h"
#include "settings/frmOpcoes.h"
#include "users/frmCadUsuarios.h"
#include "users/frmLogin.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// The guide's story happens on the last Saturday of November.
class GuideClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 11, 28), QTime(17, 45)); }
};

// No window the guide shows should ask anything while it opens; if one
// does, the text is printed and the picture taken anyway.
class PrintedDialogs final : public Dialogs
{
public:
    Answer message(QWidget*, Icon, const QString& title, const QString& text,
                   Buttons buttons) override
    {
        std::fprintf(stderr, "guide_screenshots: %s: %s\n", qPrintable(title), qPrintable(text));
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    std::optional<QColor> chooseColor(QWidget*, const QColor&) override { return std::nullopt; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override
    {
        return QString();
    }
    bool openUrl(const QUrl&) override { return false; }
};

bool run(DbConnection& db, const QString& sql, const QVariantList& values = {})
{
    const Status done = Sql::exec(db.database(), sql, values);
    if (!done)
        std::fprintf(stderr, "guide_screenshots: %s\n", qPrintable(done.reason()));
    return done.ok();
}

struct Entry
{
    const char *day, *time;
    int account;
    const char *document, *description, *in, *out;
};

// A small shop's week: sales in cash and by card, a supplier, the rent.
// Backups of the evenings of 26 and 27 November, for the restore window.
bool fillBook(DbConnection& db, const QString& book)
{
    QList<QDateTime> evenings{QDateTime(QDate(2026, 11, 26), QTime(18, 2, 11)),
                              QDateTime(QDate(2026, 11, 27), QTime(18, 5, 40))};
    for (const char* name : {"Caixa", "Banco do Brasil", "Cartão"})
        if (!run(db, QStringLiteral("insert into contas (descricao, saldo) values (?, 0)"),
                 {QString::fromUtf8(name)}))
            return false;
    const Entry entries[] = {
        {"2026-11-02", "08:00:00", 1, "", "Saldo trazido de outubro", "2.400,00", nullptr},
        {"2026-11-03", "09:15:00", 1, "101", "Venda no balcão", "150,00", nullptr},
        {"2026-11-03", "14:40:00", 1, "102", "Compra de mercadorias", nullptr, "82,00"},
        {"2026-11-10", "10:00:00", 2, "", "Aluguel da loja", nullptr, "1.250,00"},
        {"2026-11-25", "09:30:00", 1, "118", "Venda no balcão", "96,50", nullptr},
        {"2026-11-25", "16:10:00", 3, "119", "Venda no cartão", "310,00", nullptr},
        {"2026-11-27", "11:05:00", 1, "120", "Venda no balcão", "45,90", nullptr},
        {"2026-11-27", "15:20:00", 2, "NF 552", "Fornecedor de embalagens", nullptr, "230,00"},
        {"2026-11-28", "09:00:00", 1, "121", "Venda no balcão", "128,00", nullptr},
        {"2026-11-28", "10:45:00", 3, "122", "Venda no cartão", "89,90", nullptr},
        {"2026-11-28", "12:30:00", 1, "", "Lanche dos funcionários", nullptr, "35,00"},
        {"2026-11-28", "17:20:00", 1, "123", "Venda de encomenda", "312,50", nullptr},
    };
    const auto amount = [](const char* text) {
        return text ? QVariant(Money::parse(QString::fromUtf8(text))->toDb()) : QVariant(0);
    };
    for (const Entry& e : entries) {
        const QDate day = QDate::fromString(QString::fromLatin1(e.day), Qt::ISODate);
        while (!evenings.isEmpty() && evenings.first().date() < day) {
            if (!Backup::make(book, 10, evenings.takeFirst()).copy)
                return false;
        }
        if (!run(db,
                 QStringLiteral("insert into caixa (idconta, data, hora, ndoc, descricao, "
                                "entrada, saida) values (?, ?, ?, ?, ?, ?, ?)"),
                 {e.account, QString::fromLatin1(e.day), QString::fromLatin1(e.time),
                  QString::fromUtf8(e.document), QString::fromUtf8(e.description), amount(e.in),
                  amount(e.out)}))
            return false;
    }
    if (!run(db, QStringLiteral("update contas set saldo = (select coalesce(sum(entrada), 0) - "
                                "coalesce(sum(saida), 0) from caixa where caixa.idconta = "
                                "contas.id)")))
        return false;
    // Friday was counted and closed: its rows show the padlock.
    Closings closings(db);
    const auto friday = closings.balancesAt(QDate(2026, 11, 27));
    const auto closed = friday ? closings.close({QDate(2026, 11, 27), friday->total, {}})
                               : Result<Closings::Closing>(friday.status());
    if (!closed)
        std::fprintf(stderr, "guide_screenshots: %s\n", qPrintable(closed.reason()));
    return closed.ok();
}

// Saturday's count, two reais and a half short of what the book says.
void typeSaturdaysCount(Session& session, QWidget& window)
{
    const auto saturday = Closings(session.db).balancesAt(QDate(2026, 11, 28));
    auto* counted = window.findChild<QLineEdit*>(QStringLiteral("txtContado"));
    const auto short_ =
        saturday ? saturday->total.minus(*Money::parse(QStringLiteral("2,50"))) : std::nullopt;
    if (short_ && counted)
        counted->setText(short_->format());
}

class Pictures
{
public:
    explicit Pictures(const QString& folder) : m_folder(folder) {}

    // Shows the window at the given size, lets it lay itself out and saves
    // its picture; the window is closed again.
    bool take(QWidget& window, const char* name, QSize size = QSize())
    {
        if (size.isValid())
            window.resize(size);
        window.show();
        QTest::qWait(150);
        // A grid shows its first columns, as a user sees it after a look.
        for (auto* grid : window.findChildren<QAbstractItemView*>(QStringLiteral("grade")))
            grid->horizontalScrollBar()->setValue(0);
        QTest::qWait(20);
        const QString file =
            QDir(m_folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        const bool saved = window.grab().save(file);
        window.hide();
        std::printf("%s %s\n", saved ? "written" : "NOT WRITTEN", qPrintable(file));
        m_ok = m_ok && saved;
        return saved;
    }
    // A window made from the session alone, pictured as it opens.
    template <typename Window> bool takeNew(Session& session, const char* name)
    {
        Window window(session);
        return take(window, name);
    }

    bool ok() const { return m_ok; }

private:
    QString m_folder;
    bool m_ok = true;
};

int takeAll(Session& session, const QString& folder)
{
    Pictures pictures(folder);
    {
        frmPrincipal window(session);
        pictures.take(window, "principal");
    }
    {
        frmCadCaixa form(session, 0);
        pictures.take(form, "lancamento");
    }
    {
        frmFecharDia window(session, QDate(2026, 11, 28));
        typeSaturdaysCount(session, window);
        pictures.take(window, "fechar");
    }
    pictures.takeNew<frmCadConta>(session, "contas");
    pictures.takeNew<frmRel>(session, "relatorios");
    pictures.takeNew<RestoreWindow>(session, "restaurar");
    pictures.takeNew<frmOpcoes>(session, "opcoes");
    pictures.takeNew<frmCadUsuarios>(session, "usuarios");
    pictures.takeNew<frmLogin>(session, "login");
    return pictures.ok() ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "uso: guide_screenshots PASTA\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir scratch;
    if (!scratch.isValid() || !QDir().mkpath(folder))
        return 1;
    DbConnection db;
    PrintedDialogs dialogs;
    GuideClock clock;
    Session session(db, dialogs, clock, scratch.path());
    // The windows reach one another through it (session.windows).
    // cppcheck-suppress unreadVariable
    Shell shell(session);
    const QString book = DataFolder::bookPath(scratch.path());
    if (Status opened = db.open(book); !opened || !fillBook(db, book))
        return 1;
    return takeAll(session, folder);
}
