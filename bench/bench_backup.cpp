// How long the backup at exit takes on a large book: the checked copy that
// the program makes, against a plain file copy of the same book.
//
//   bench_backup [--book PATH]
//
// The book (1,000,000 entries over three years, 20 accounts) is the one the
// grid benchmark builds and keeps at PATH (default:
// /tmp/livro-caixa-bench/bd.mdb); it is only read.

#include "BenchSupport.h"

#include "book/Backup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QString path = QDir::temp().filePath(QStringLiteral("livro-caixa-bench/bd.mdb"));
    if (const qsizetype i = args.indexOf(QStringLiteral("--book")); i >= 0 && i + 1 < args.size())
        path = args.at(i + 1);
    QDir().mkpath(QFileInfo(path).absolutePath());
    Bench::ensureBook(path, 1000000, QDate(2023, 1, 1), QDate(2025, 12, 31), 20);
    std::printf("book: %s (%.0f MB)\n", qPrintable(path), double(QFileInfo(path).size()) / 1e6);

    // A backup goes into "Backups" beside the book, so the runs work on a
    // copy in a temporary folder and leave the kept book as it is.
    QTemporaryDir scratch;
    const QString book = QDir(scratch.path()).filePath(QStringLiteral("bd.mdb"));
    double plain = 1e9;
    for (int run = 0; run < 3; ++run) {
        QFile::remove(book);
        const Bench::Stopwatch watch;
        QFile::copy(path, book);
        plain = std::min(plain, watch.seconds());
    }
    double checked = 1e9;
    for (int run = 0; run < 3; ++run) {
        const Bench::Stopwatch watch;
        const Backup::Outcome result =
            Backup::make(book, 2, QDateTime(QDate(2026, 12, 5), QTime(14, 3, run)));
        checked = std::min(checked, watch.seconds());
        if (!result.copy.ok()) {
            std::printf("backup failed: %s\n", qPrintable(result.copy.reason()));
            return 1;
        }
    }
    std::printf("plain file copy:                  %7.0f ms\n", plain * 1000.0);
    std::printf("backup (copy, sync, check, name): %7.0f ms\n", checked * 1000.0);
    std::printf("backups kept: %lld\n", qlonglong(Backup::set(Backup::folderFor(book)).size()));
    return 0;
}
