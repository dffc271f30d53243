#include "legacy/ReaderProcess.h"

#include "core/Dialogs.h"
#include "legacy/ReaderProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

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

} // namespace

QString defaultProgram()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QString::fromLatin1(ReaderProtocol::kProgram));
}

Status run(const QString& program, const QStringList& arguments, Progress& progress,
           SourceBook::ReaderOutput& output, int quietSeconds)
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
    QElapsedTimer quiet;
    quiet.start();
    while (process.state() != QProcess::NotRunning) {
        if (process.waitForReadyRead(100))
            quiet.restart();
        output.stream += process.readAllStandardOutput();
        counter.scan(output.stream, progress);
        if (progress.wasCanceled()) {
            stop(process);
            return Status::failure(tr("a conversão foi cancelada"));
        }
        if (quiet.elapsed() > quietSeconds * 1000) {
            stop(process);
            return Status::failure(tr("a leitura do arquivo parou de responder"));
        }
    }
    process.waitForFinished(5000);
    output.stream += process.readAllStandardOutput();
    counter.scan(output.stream, progress);
    output.warnings = process.readAllStandardError();
    output.crashed = process.exitStatus() == QProcess::CrashExit;
    output.exitCode = process.exitCode();
    return Status::success();
}

} // namespace ReaderProcess
