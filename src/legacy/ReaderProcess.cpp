#include "legacy/ReaderProcess.h"

#include "core/Dialogs.h"
#include "legacy/ReaderProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

#include <algorithm>

namespace ReaderProcess {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccessMigration", text);
}

// Counts the row lines of the output as it grows, and learns from the table
// lines how many rows to expect.
class RowCounter
{
public:
    void scan(const QByteArray& stream, Progress& progress)
    {
        const qsizetype end = stream.lastIndexOf('\n');
        const qint64 before = m_expected;
        while (m_scanned <= end) {
            const qsizetype next = stream.indexOf('\n', m_scanned);
            const QByteArrayView line = QByteArrayView(stream).sliced(m_scanned, next - m_scanned);
            if (line.startsWith("r\t"))
                ++m_rows;
            else if (line.startsWith("table\t"))
                m_expected += splitFields(line).value(2).toLongLong();
            m_scanned = next + 1;
        }
        if (m_expected != before)
            progress.setMaximum(m_expected);
        progress.setValue(m_rows);
    }

private:
    qsizetype m_scanned = 0;
    qint64 m_rows = 0;
    qint64 m_expected = 0;
};

void stop(QProcess& process)
{
    process.kill();
    process.waitForFinished(5000);
}

// The reader's resident memory, read from /proc; 0 when it cannot be told.
qint64 residentBytes(qint64 pid)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readLine().split(' ');
    static const long pageBytes = sysconf(_SC_PAGESIZE);
    return fields.size() > 1 ? fields.at(1).toLongLong() * pageBytes : 0;
}

// Watches one run of the reader against its limits; a passed limit is the
// reason the read failed.
class Watch
{
public:
    explicit Watch(const Limits& limits) : m_limits(limits)
    {
        m_quiet.start();
        m_total.start();
        m_memoryChecked.start();
    }
    void heard() { m_quiet.restart(); }

    Status check(const QProcess& process, const SourceBook::ReaderOutput& output)
    {
        if (m_quiet.elapsed() > qint64(m_limits.quietSeconds) * 1000)
            return Status::failure(tr("a leitura do arquivo parou de responder"));
        if (m_total.elapsed() > qint64(m_limits.totalSeconds) * 1000)
            return Status::failure(tr("a leitura do arquivo passou de %1 segundos sem terminar")
                                       .arg(m_limits.totalSeconds));
        if (output.stream.size() > m_limits.outputBytes)
            return Status::failure(tr("a leitura do arquivo produziu dados demais (o arquivo deve "
                                      "estar danificado)"));
        if (m_memoryChecked.elapsed() >= 100) {
            m_memoryChecked.restart();
            if (residentBytes(process.processId()) > m_limits.memoryBytes)
                return Status::failure(tr("a leitura do arquivo passou a usar memória demais (o "
                                          "arquivo deve estar danificado)"));
        }
        return Status::success();
    }

private:
    const Limits& m_limits;
    QElapsedTimer m_quiet;
    QElapsedTimer m_total;
    QElapsedTimer m_memoryChecked;
};

// Keeps the first of the reader's warnings and drops the rest as it comes:
// libmdb may print the same line without end.
void keepWarnings(SourceBook::ReaderOutput& output, const QByteArray& text, const Limits& limits)
{
    if (output.warnings.size() < limits.warningBytes)
        output.warnings += text.left(limits.warningBytes - output.warnings.size());
}

// Rows beyond the limit are dropped too: the read has failed already.
void keepRows(SourceBook::ReaderOutput& output, const QByteArray& rows, const Limits& limits)
{
    if (output.stream.size() <= limits.outputBytes)
        output.stream += rows;
}

// The moment the reader gets after its first warning to end by itself and
// give its own refusal; one that keeps going is stopped.
void graceAfterWarning(QProcess& process, SourceBook::ReaderOutput& output, const Limits& limits)
{
    QElapsedTimer grace;
    grace.start();
    while (process.state() != QProcess::NotRunning && grace.elapsed() < limits.graceMilliseconds) {
        process.waitForFinished(50);
        keepRows(output, process.readAllStandardOutput(), limits);
        keepWarnings(output, process.readAllStandardError(), limits);
    }
    if (process.state() != QProcess::NotRunning)
        stop(process);
}

// What is left in the pipes once the reader has ended.
void collectTheRest(QProcess& process, SourceBook::ReaderOutput& output, const Limits& limits)
{
    process.waitForFinished(5000);
    keepRows(output, process.readAllStandardOutput(), limits);
    keepWarnings(output, process.readAllStandardError(), limits);
    output.crashed = process.exitStatus() == QProcess::CrashExit;
    output.exitCode = process.exitCode();
}

} // namespace

Limits Limits::forFile(qint64 fileBytes)
{
    Limits limits;
    const qint64 megabytes = std::max<qint64>(0, fileBytes) >> 20;
    limits.totalSeconds = int(std::min<qint64>(120 + megabytes / 2, 3600));
    limits.outputBytes = (64LL << 20) + 4 * std::max<qint64>(0, fileBytes);
    limits.memoryBytes = (768LL << 20) + std::max<qint64>(0, fileBytes);
    return limits;
}

QString defaultProgram()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QString::fromLatin1(ReaderProtocol::kProgram));
}

Status run(const QString& program, const QStringList& arguments, Progress& progress,
           SourceBook::ReaderOutput& output, const Limits& limits)
{
    const QString where = QDir::toNativeSeparators(program);
    if (!QFileInfo(program).isExecutable())
        return Status::failure(tr("o programa de leitura %1 não foi encontrado").arg(where));
    QProcess process;
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(10000))
        return Status::failure(tr("o programa de leitura %1 não pôde ser iniciado: %2")
                                   .arg(where, process.errorString()));

    RowCounter counter;
    Watch watch(limits);
    while (process.state() != QProcess::NotRunning) {
        if (process.waitForReadyRead(100))
            watch.heard();
        keepRows(output, process.readAllStandardOutput(), limits);
        // A warning means the read has failed already; what libmdb would
        // print after it (the same line, maybe forever) tells nothing more.
        keepWarnings(output, process.readAllStandardError(), limits);
        if (!output.warnings.isEmpty()) {
            graceAfterWarning(process, output, limits);
            break;
        }
        counter.scan(output.stream, progress);
        if (progress.wasCanceled()) {
            stop(process);
            return Status::failure(tr("a conversão foi cancelada"));
        }
        if (Status within = watch.check(process, output); !within) {
            stop(process);
            return within;
        }
    }
    collectTheRest(process, output, limits);
    counter.scan(output.stream, progress);
    return Status::success();
}

} // namespace ReaderProcess
