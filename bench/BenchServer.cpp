#include "BenchServer.h"

#include "core/Sql.h"

#include <QProcess>
#include <QSqlDatabase>

namespace Bench {

QString serverScript(const QStringList& arguments)
{
    QProcess script;
    script.start(QStringLiteral("sh"),
                 QStringList{QStringLiteral(LIVRO_SERVER_SCRIPT)} + arguments);
    if (!script.waitForFinished(60'000) || script.exitCode() != 0)
        qFatal("pg-test-server.sh failed: %s", script.readAllStandardError().constData());
    return QString::fromUtf8(script.readAllStandardOutput()).trimmed();
}

void administer(ServerAddress server, const QString& sql)
{
    server.database = QStringLiteral("postgres");
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
        server.applyTo(db);
        if (!db.open())
            qFatal("the server did not answer: %s", qPrintable(Sql::reasonOf(db)));
        if (Status done = Sql::exec(db, sql); !done)
            qFatal("the server refused %s: %s", qPrintable(sql), qPrintable(done.reason()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
}

} // namespace Bench
