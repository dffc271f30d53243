#include "TestMain.h"

#include <QList>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

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
    int failures = 0;
    for (const Entry& e : registry()) {
        if (!only.isEmpty() && only != QLatin1String(e.name))
            continue;
        std::unique_ptr<QObject> test(e.factory());
        failures += QTest::qExec(test.get(), args);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace TestMain
