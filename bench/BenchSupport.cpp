#include "BenchSupport.h"

#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Money.h"

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
    QSqlQuery q(db.database());
    if (existed && q.exec(QStringLiteral("select count(*) from caixa")) && q.next() &&
        q.value(0).toLongLong() == entries)
        return;
    std::printf("building a book of %lld entries at %s ...\n", entries, qPrintable(path));
    std::fflush(stdout);
    q.exec(QStringLiteral("delete from caixa"));
    q.exec(QStringLiteral("delete from contas"));
    q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    db.database().transaction();
    q.prepare(QStringLiteral("insert into contas (id, descricao, saldo) values (?, ?, 0)"));
    for (int a = 1; a <= accounts; ++a) {
        q.addBindValue(a);
        q.addBindValue(QStringLiteral("CONTA %1").arg(a));
        q.exec();
    }
    QRandomGenerator random(20261206);
    const qint64 days = first.daysTo(last) + 1;
    q.prepare(
        QStringLiteral("insert into caixa (idconta, data, hora, ndoc, descricao, entrada, saida) "
                       "values (?, ?, ?, ?, ?, ?, ?)"));
    for (qint64 i = 0; i < entries; ++i) {
        const QDate day = first.addDays(i * days / entries);
        const bool received = random.bounded(3) != 0;
        const Money amount = *Money::fromCents(random.bounded(100, 500000));
        q.addBindValue(random.bounded(1, accounts + 1));
        q.addBindValue(Formats::dbDate(day));
        q.addBindValue(
            Formats::dbTime(QTime(7 + int(random.bounded(14)), int(random.bounded(60)))));
        q.addBindValue(random.bounded(4) == 0
                           ? QVariant(QStringLiteral("NF %1").arg(random.bounded(100000)))
                           : QVariant(QMetaType(QMetaType::QString)));
        q.addBindValue(
            QString::fromUtf8(kDescriptions[random.bounded(int(std::size(kDescriptions)))]));
        q.addBindValue(received ? amount.toDb() : Money().toDb());
        q.addBindValue(received ? Money().toDb() : amount.toDb());
        if (!q.exec())
            qFatal("insert failed: %s", qPrintable(q.lastError().text()));
    }
    db.database().commit();
    q.exec(QStringLiteral("ANALYZE"));
}

Dialogs::Answer SilentDialogs::message(QWidget*, Icon, const QString& title, const QString& text,
                                       Buttons)
{
    std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
    return Answer::No;
}

} // namespace Bench
