#include "BenchSupport.h"

#include "book/BookCopy.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Money.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace Bench {

namespace {
qint64 statusField(const char* name)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray wanted = QByteArray(name) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

const char* const kDescriptions[] = {
    "Venda balcão",
    "Venda cartão de crédito",
    "Pagamento fornecedor de bebidas",
    "Conta de luz",
    "Troco inicial do caixa",
    "Compra de material de limpeza",
    "Aluguel da loja",
    "Recebimento de cliente",
    "Sangria para o banco",
    "Pagamento de frete",
    "Venda no PIX",
    "Manutenção da geladeira",
};
} // namespace

qint64 residentBytes()
{
    return statusField("VmRSS");
}

qint64 peakResidentBytes()
{
    return statusField("VmHWM");
}

void ensureBook(const QString& path, qint64 entries, const QDate& first, const QDate& last,
                int accounts)
{
    DbConnection db;
    const bool existed = QFileInfo::exists(path);
    const Status opened = db.open(path);
    if (!opened)
        qFatal("cannot open %s: %s", qPrintable(path), qPrintable(opened.reason()));
    const QSqlDatabase book = db.database();
    const auto count = Sql::scalar(book, QStringLiteral("select count(*) from caixa"));
    if (existed && count && count->toLongLong() == entries)
        return;
    std::printf("building a book of %lld entries at %s ...\n", entries, qPrintable(path));
    std::fflush(stdout);
    const auto must = [](const Status& done) {
        if (!done)
            qFatal("building the book failed: %s", qPrintable(done.reason()));
    };
    must(Sql::exec(book, QStringLiteral("delete from caixa")));
    must(Sql::exec(book, QStringLiteral("delete from contas")));
    must(Sql::exec(book, QStringLiteral("PRAGMA synchronous=OFF")));
    Transaction transaction(book);
    must(transaction.begun());
    BookCopy::RowInserter account(
        book, QStringLiteral("contas"),
        {QStringLiteral("id"), QStringLiteral("descricao"), QStringLiteral("saldo")});
    must(account.prepare());
    for (int a = 1; a <= accounts; ++a)
        must(account.insert({a, QStringLiteral("CONTA %1").arg(a), 0}));
    QRandomGenerator random(20261206);
    const qint64 days = first.daysTo(last) + 1;
    BookCopy::RowInserter entry(book, QStringLiteral("caixa"),
                                {QStringLiteral("idconta"), QStringLiteral("data"),
                                 QStringLiteral("hora"), QStringLiteral("ndoc"),
                                 QStringLiteral("descricao"), QStringLiteral("entrada"),
                                 QStringLiteral("saida")});
    must(entry.prepare());
    for (qint64 i = 0; i < entries; ++i) {
        const QDate day = first.addDays(i * days / entries);
        const bool received = random.bounded(3) != 0;
        const Money amount = *Money::fromCents(random.bounded(100, 500000));
        must(entry.insert(
            {random.bounded(1, accounts + 1), Formats::dbDate(day),
             Formats::dbTime(QTime(7 + int(random.bounded(14)), int(random.bounded(60)))),
             random.bounded(4) == 0 ? QVariant(QStringLiteral("NF %1").arg(random.bounded(100000)))
                                    : QVariant(QMetaType(QMetaType::QString)),
             QString::fromUtf8(kDescriptions[random.bounded(int(std::size(kDescriptions)))]),
             received ? amount.toDb() : Money().toDb(),
             received ? Money().toDb() : amount.toDb()}));
    }
    must(transaction.commit());
    must(Sql::exec(book, QStringLiteral("ANALYZE")));
}

Dialogs::Answer SilentDialogs::message(QWidget*, Icon, const QString& title, const QString& text,
                                       Buttons)
{
    std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
    return Answer::No;
}

} // namespace Bench
