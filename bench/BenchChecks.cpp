#include "BenchWaits.h"

#include "BenchSupport.h"

#include "book/Backup.h"
#include "book/EntryStore.h"
#include "cashbook/frmPrincipal.h"
#include "core/BookFile.h"
#include "core/BookSnapshot.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <unistd.h>

namespace Waits {

namespace {

class FixedClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2025, 12, 31), QTime(12, 0)); }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A copy made as a plain program would, flushed to the disk.
void copyAndSync(const QString& from, const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        qFatal("cannot copy the book");
    QFile copy(to);
    if (!copy.open(QIODevice::ReadWrite) || ::fsync(copy.handle()) != 0)
        qFatal("cannot sync the copy");
}

// What SQLite's own checks say of a file.
QString pragmaCheck(const QString& path, const char* pragma)
{
    sqlite3* db = nullptr;
    QString verdict;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, pragma, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            verdict =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        else
            verdict = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return verdict;
}

quint16 u16(const QByteArray& b, qsizetype at)
{
    return quint16((uchar(b[at]) << 8) | uchar(b[at + 1]));
}

} // namespace

int measureBackup(const QString& dir)
{
    const QString book = bookPath(dir);
    const QString scratch = QDir(dir).filePath(QStringLiteral("copia-simples.mdb"));
    copyAndSync(book, scratch); // the book is in memory for both from here on
    const Bench::Stopwatch plain;
    copyAndSync(book, scratch);
    const double floor = plain.seconds();
    QFile::remove(scratch);
    const Bench::Stopwatch watch;
    const Backup::Outcome made = Backup::make(book, 2, QDateTime::currentDateTime());
    const double seconds = watch.seconds();
    if (!made.copy)
        qFatal("the backup failed: %s", qPrintable(made.copy.reason()));
    std::printf("mb=%.0f floor=%.3f backup=%.3f\n", double(QFileInfo(book).size()) / 1e6, floor,
                seconds);
    return 0;
}

// Saving and deleting an entry as the main window does it, with the default
// period (yesterday and today) on screen: the write, then the refresh.
int measureSave(const QString& dir)
{
    DbConnection db;
    Bench::SilentDialogs dialogs;
    FixedClock clock;
    Session session(db, dialogs, clock, dir);
    if (!db.open(bookPath(dir)))
        qFatal("cannot open the book");
    LoadSettings(db, session.Settings);
    frmPrincipal window(session);
    EntryStore store(db);
    const EntryStore::Entry entry{clock.today(),
                                  QTime(12, 0),
                                  QStringLiteral("CONTA 1"),
                                  QString(),
                                  QStringLiteral("Venda de teste"),
                                  *Money::fromCents(1000),
                                  Money()};
    std::vector<double> saves, deletes, floors, openings;
    for (int i = 0; i < 15; ++i) {
        Bench::Stopwatch saving;
        const auto id = store.save(0, entry);
        window.FillGrid();
        saves.push_back(saving.seconds());
        if (!id)
            qFatal("the save failed: %s", qPrintable(id.reason()));
        Bench::Stopwatch deleting;
        if (!store.remove(*id))
            qFatal("the delete failed");
        window.FillGrid();
        deletes.push_back(deleting.seconds());

        // The durable write alone: one entry inserted and committed.
        const Bench::Stopwatch writing;
        {
            Transaction transaction(db.database());
            if (!Sql::exec(db.database(),
                           QStringLiteral("insert into caixa (idconta, data, hora, descricao, "
                                          "entrada, saida) values (1, '2025-12-31', "
                                          "'12:00:00', 'x', 100000, 0)")) ||
                !transaction.commit())
                qFatal("the plain write failed");
        }
        floors.push_back(writing.seconds());
        if (!Sql::exec(db.database(), QStringLiteral("delete from caixa where descricao = 'x'")))
            qFatal("the plain delete failed");
        const Bench::Stopwatch opening;
        window.Fechar_Inicio();
        openings.push_back(opening.seconds() * 1000);
    }
    std::printf("save=%.4f delete=%.4f floor=%.4f openingms=%.2f\n", median(saves), median(deletes),
                median(floors), median(openings));
    return 0;
}

namespace {

struct Damage
{
    const char* what;
    std::function<void(QByteArray&, const QString& copyPath)> apply;
};

QList<Damage> damages()
{
    constexpr qsizetype page = 4096;
    return {
        {"ultima pagina cortada", [](QByteArray& b, const QString&) { b.chop(page); }},
        {"uma pagina zerada no meio",
         [](QByteArray& b, const QString&) {
             b.replace((b.size() / page / 2) * page, page, QByteArray(page, '\0'));
         }},
        {"uma letra de uma descricao trocada",
         [](QByteArray& b, const QString&) {
             const qsizetype at = b.indexOf("Venda balc", b.size() / 2);
             b[at] = 'W';
         }},
        {"um byte de uma pagina de indice trocado",
         [](QByteArray& b, const QString& path) {
             const QString root = pragmaCheck(
                 path, "select rootpage from sqlite_master where name = 'caixa_data_hora'");
             const qsizetype base = (root.toLongLong() - 1) * page;
             const qsizetype content = base + u16(b, base + 5);
             b[content + 12] = char(b[content + 12] ^ 0x5a);
         }},
        {"um byte no espaco livre de uma pagina",
         [](QByteArray& b, const QString&) {
             for (qsizetype base = page; base + page <= b.size(); base += page) {
                 if (b[base] != 0x0d)
                     continue;
                 const qsizetype gapStart = base + 8 + 2 * u16(b, base + 3);
                 const qsizetype gapEnd = base + u16(b, base + 5);
                 if (gapEnd - gapStart >= 8) {
                     const qsizetype at = (gapStart + gapEnd) / 2;
                     b[at] = char(b[at] ^ 0x5a);
                     return;
                 }
             }
         }},
    };
}

QString yesNo(bool caught)
{
    return caught ? QStringLiteral("pega") : QStringLiteral("NAO PEGA");
}

} // namespace

// Each way of checking a copy, against each kind of damage: the copy made
// sound and then damaged (what a bad disk or a cut copy does), and a faithful
// copy of a book that was itself damaged.
int measureChecks(const QString& dir)
{
    const QString book = bookPath(dir);
    const QString pristine = QDir(dir).filePath(QStringLiteral("copia-verificada.mdb"));
    const QString damaged = QDir(dir).filePath(QStringLiteral("copia-danificada.mdb"));
    {
        const BookSnapshot snapshot(book);
        QSaveFile target(pristine);
        if (!target.open(QIODevice::WriteOnly) || !snapshot.writeTo(target) || !target.commit())
            qFatal("cannot copy the book");
    }
    const QByteArray bytes = readAll(pristine);
    const auto timed = [](const std::function<bool()>& check, double& seconds) {
        const Bench::Stopwatch watch;
        const bool passed = check();
        seconds = watch.seconds();
        return passed;
    };
    double integrityTime = 0, quickTime = 0, compareTime = 0, structureTime = 0;
    timed([&] { return pragmaCheck(pristine, "PRAGMA integrity_check") == u"ok"; }, integrityTime);
    timed([&] { return pragmaCheck(pristine, "PRAGMA quick_check") == u"ok"; }, quickTime);
    timed([&] { return BookSnapshot(book).compareWith(pristine).ok(); }, compareTime);
    timed([&] { return BookSnapshot(book).checkStructure().ok(); }, structureTime);

    std::printf("\nWhat each check of a backup copy catches (book of %.0f MB):\n",
                double(bytes.size()) / 1e6);
    std::printf("%-42s | %-16s | %-16s | %-18s | %-s\n", "damage", "integrity_check", "quick_check",
                "comparar com livro", "backup: quick_check do livro + comparar");
    std::printf("%-42s | %13.2f s | %13.2f s | %15.2f s | %.2f s (lado a lado com a copia)\n",
                "(tempo de cada uma sobre a copia boa)", integrityTime, quickTime, compareTime,
                structureTime);
    for (const Damage& damage : damages()) {
        QByteArray broken = bytes;
        damage.apply(broken, pristine);
        writeAll(damaged, broken);
        const bool integrity = pragmaCheck(damaged, "PRAGMA integrity_check") != u"ok";
        const bool quick = pragmaCheck(damaged, "PRAGMA quick_check") != u"ok";
        const BookSnapshot snapshot(book);
        const bool compared = !BookFile::check(damaged) || !snapshot.compareWith(damaged);
        std::printf("%-42s | %-16s | %-16s | %-18s | %s\n", damage.what,
                    qPrintable(yesNo(integrity)), qPrintable(yesNo(quick)),
                    qPrintable(yesNo(compared)), qPrintable(yesNo(compared)));
    }
    // A book damaged before the copy: the copy is faithful, so only a check
    // of the pages themselves sees it.
    QByteArray broken = bytes;
    damages().at(1).apply(broken, pristine);
    const QString brokenBook = QDir(dir).filePath(QStringLiteral("livro-danificado.mdb"));
    writeAll(brokenBook, broken);
    writeAll(damaged, broken);
    const BookSnapshot snapshot(brokenBook);
    std::printf("%-42s | %-16s | %-16s | %-18s | %s\n", "o proprio livro danificado (copia fiel)",
                qPrintable(yesNo(pragmaCheck(damaged, "PRAGMA integrity_check") != u"ok")),
                qPrintable(yesNo(pragmaCheck(damaged, "PRAGMA quick_check") != u"ok")),
                qPrintable(yesNo(!snapshot.compareWith(damaged))),
                qPrintable(yesNo(!snapshot.checkStructure() || !snapshot.compareWith(damaged))));
    for (const QString& path : {pristine, damaged, brokenBook})
        QFile::remove(path);
    return 0;
}

} // namespace Waits
