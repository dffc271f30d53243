#include "TestMain.h"

#include <QList>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <csignal>
#include <memory>

namespace TestMain {

namespace {
struct Entry
{
    const char* name;
    Factory factory;
};
QList<Entry>& registry()
{
    // cppcheck-suppress unassignedVariable ; filled through the returned reference
    static QList<Entry> entries;
    return entries;
}

// Qt Test's crash handler (the stack trace on a fatal signal) stays
// installed after qExec when the signal had no handler before it; the next
// class's qExec then takes it for the handler to hand on to, and a crash in
// any class but the first loops for ever between the handler and gdb. Each
// class therefore starts from the dispositions the program started with.
class SignalDispositions
{
public:
    SignalDispositions()
    {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], nullptr, &m_saved[i]);
    }
    void restore() const
    {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &m_saved[i], nullptr);
    }

private:
    static constexpr std::array kSignals{SIGHUP, SIGINT, SIGQUIT, SIGILL,  SIGABRT,
                                         SIGFPE, SIGBUS, SIGSEGV, SIGPIPE, SIGTERM};
    std::array<struct sigaction, kSignals.size()> m_saved{};
};

} // namespace

bool add(const char* name, Factory factory)
{
    registry().append({name, std::move(factory)});
    return true;
}

int runAll(int argc, char** argv)
{
    // What the program remembers for the computer's user goes to a folder of
    // the run's own, never to the real home folder.
    const QTemporaryDir userSettings;
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, userSettings.path());
    // "program ClassName [testfunctions...]" runs one class only.
    QString only;
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (args.size() > 1 && !args.at(1).startsWith(u'-')) {
        for (const Entry& e : registry()) {
            if (args.at(1) == QLatin1String(e.name)) {
                only = args.takeAt(1);
                break;
            }
        }
    }
    const SignalDispositions atStart;
    int failures = 0;
    for (const Entry& e : registry()) {
        if (!only.isEmpty() && only != QLatin1String(e.name))
            continue;
        std::unique_ptr<QObject> test(e.factory());
        failures += QTest::qExec(test.get(), args);
        atStart.restore();
    }
    return failures == 0 ? 0 : 1;
}

} // namespace TestMain
