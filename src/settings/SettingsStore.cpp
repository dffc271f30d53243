#include "settings/SettingsStore.h"

#include "core/DbConnection.h"
#include "core/EnsureColumn.h"
#include "core/Settings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <limits>

QString SettingsStore::normalizedBackupCount(const QString& typed)
{
    bool ok = false;
    const qlonglong count = typed.trimmed().toLongLong(&ok);
    if (!ok || count < 1 || count > std::numeric_limits<qint16>::max())
        return QString::number(SettingsDefaults::qtdarquivosbkp);
    return QString::number(count);
}

QString SettingsStore::normalizedCurrency(const QString& typed)
{
    return typed.isEmpty() ? QString::fromUtf16(SettingsDefaults::moeda) : typed;
}

Status SettingsStore::save(DbConnection& db, const SettingsChoice& choice)
{
    bool hasRow = false;
    if (Status columns = addMissingColumns(db, hasRow); !columns)
        return columns;
    return writeRow(db, choice, hasRow);
}

// The currency and language columns came late: an older book lacks them,
// which shows in the record of "select * from opcoes". Each is added once.
Status SettingsStore::addMissingColumns(DbConnection& db, bool& hasRow)
{
    const QString lateColumns[] = {QStringLiteral("moeda"), QStringLiteral("indioma")};
    for (const QString& column : lateColumns) {
        QSqlQuery q(db.database());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("select * from opcoes")))
            return Status::failure(q.lastError().text());
        hasRow = q.next();
        const bool missing = q.record().indexOf(column) < 0;
        q.finish();
        if (missing &&
            !EnsureColumn(db, QStringLiteral("opcoes"), column, QStringLiteral("varchar (20)"))) {
            return Status::failure(
                tr("a coluna %1 não pôde ser acrescentada à tabela opcoes deste livro de caixa.")
                    .arg(column));
        }
    }
    return Status::success();
}

// The table holds a single row; an update without a filter keeps every copy
// of it equal should a hand-edited book hold more than one.
Status SettingsStore::writeRow(DbConnection& db, const SettingsChoice& c, bool hasRow)
{
    QSqlQuery q(db.database());
    q.prepare(
        hasRow ? QStringLiteral("update opcoes set susuario = ?, corfundoentrada = ?, "
                                "corletraentrada = ?, corfundosaida = ?, corletrasaida = ?, "
                                "moeda = ?, indioma = ?, qtdarquivosbkp = ?, bkpautomatico = ?")
               : QStringLiteral("insert into opcoes (susuario, corfundoentrada, corletraentrada, "
                                "corfundosaida, corletrasaida, moeda, indioma, qtdarquivosbkp, "
                                "bkpautomatico, lembrar) values (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"));
    const QVariantList values{int(c.susuario), c.corfundoentrada,     c.corletraentrada,
                              c.corfundosaida, c.corletrasaida,       c.moeda,
                              c.indioma,       int(c.qtdarquivosbkp), int(c.bkpautomatico)};
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return Status::failure(q.lastError().text());
    return Status::success();
}
