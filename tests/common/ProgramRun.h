#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// One run of a program to its end: the exit status (-1: it did not end in
// time and was killed, -2: it crashed) and what it printed. Standard input
// stays open and silent, so a program that waited for it would not end.
struct ProgramRun
{
    int status = -1;
    QString out;
    QString err;
};

inline ProgramRun runProgram(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment, int timeoutMs = 60000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
