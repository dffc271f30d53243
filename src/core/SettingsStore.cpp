#include "core/SettingsStore.h"

#include "core/DbConnection.h"
#include "core/DeskSettings.h"
#include "core/EnsureColumn.h"
#include "core/Fields.h"
#include "core/Sql.h"

#include <QSqlError>
#include <QSqlRecord>

#include <limits>

namespace {

// The value of a column, or a null value when the row has no such column.
QVariant column(const QSqlQuery& q, const QSqlRecord& record, const char16_t* name)
{
    const int index = record.indexOf(QString::fromUtf16(name));
    return index < 0 ? QVariant() : q.value(index);
}

void assignBool(bool& field, const QVariant& value)
{
    if (!value.isNull())
        field = value.toBool();
}

void assignText(QString& field, const QVariant& value)
{
    if (!value.isNull())
        field = value.toString();
}

void assignCount(qint16& field, const QVariant& value)
{
    if (value.isNull())
        return;
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (ok && n >= std::numeric_limits<qint16>::min() && n <= std::numeric_limits<qint16>::max())
        field = qint16(n);
}

void setDefaultColours(SettingsValues& s)
{
    s.corfundoentrada = QString::fromUtf16(SettingsDefaults::corfundoentrada);
    s.corletraentrada = QString::fromUtf16(SettingsDefaults::corletraentrada);
    s.corfundosaida = QString::fromUtf16(SettingsDefaults::corfundosaida);
    s.corletrasaida = QString::fromUtf16(SettingsDefaults::corletrasaida);
}

void setDefaults(SettingsValues& s)
{
    s.lembrar = false;
    s.susuario = false;
    s.usuario.clear();
    setDefaultColours(s);
    s.bkpautomatico = false;
    s.qtdarquivosbkp = SettingsDefaults::qtdarquivosbkp;
    s.moeda = QString::fromUtf16(SettingsDefaults::moeda);
    s.indioma = QString::fromUtf16(SettingsDefaults::indioma);
}

void readRow(const QSqlQuery& q, SettingsValues& s)
{
    const QSqlRecord record = q.record();
    assignBool(s.lembrar, column(q, record, u"lembrar"));
    assignBool(s.susuario, column(q, record, u"susuario"));
    assignText(s.usuario, column(q, record, u"usuario"));
    assignText(s.corfundoentrada, column(q, record, u"corfundoentrada"));
    assignText(s.corletraentrada, column(q, record, u"corletraentrada"));
    assignText(s.corfundosaida, column(q, record, u"corfundosaida"));
    assignText(s.corletrasaida, column(q, record, u"corletrasaida"));
    assignBool(s.bkpautomatico, column(q, record, u"bkpautomatico"));
    assignCount(s.qtdarquivosbkp, column(q, record, u"qtdarquivosbkp"));

    const QVariant moeda = column(q, record, u"moeda");
    s.moeda = moeda.isNull() || moeda.toString().trimmed().isEmpty()
                  ? QString::fromUtf16(SettingsDefaults::moeda)
                  : moeda.toString();
    const QVariant indioma = column(q, record, u"indioma");
    s.indioma = FieldText(indioma).isEmpty() ? QString::fromUtf16(SettingsDefaults::indioma)
                                             : indioma.toString();

    // A row without colours predates the settings window: use every default
    // it would have written, the backup count included.
    if (s.corfundoentrada.isEmpty()) {
        setDefaultColours(s);
        s.qtdarquivosbkp = SettingsDefaults::qtdarquivosbkp;
    }
}

Result<bool> hasRow(DbConnection& db)
{
    const auto count = Sql::scalar(db.database(), QStringLiteral("select count(*) from opcoes"));
    if (!count)
        return count.status();
    return count->toLongLong() > 0;
}

// On a server book the remembered user and the colours belong to the desk:
// each computer keeps its own, and a desk that kept none yet shows the
// book's.
const char16_t* const kDeskKeys[] = {u"lembrar",         u"usuario",       u"corfundoentrada",
                                     u"corletraentrada", u"corfundosaida", u"corletrasaida"};

void readDeskValues(DbConnection& db, SettingsValues& s)
{
    QSettings desk = DeskSettings::open();
    desk.beginGroup(DeskSettings::bookGroup(db.location()));
    QString* texts[] = {nullptr,          &s.usuario,      &s.corfundoentrada, &s.corletraentrada,
                        &s.corfundosaida, &s.corletrasaida};
    for (std::size_t i = 0; i < std::size(kDeskKeys); ++i) {
        const QVariant value = desk.value(QString::fromUtf16(kDeskKeys[i]));
        if (!value.isValid())
            continue;
        if (texts[i])
            *texts[i] = value.toString();
        else
            s.lembrar = value.toBool();
    }
}

void writeDeskValues(DbConnection& db, const QVariantList& values)
{
    QSettings desk = DeskSettings::open();
    desk.beginGroup(DeskSettings::bookGroup(db.location()));
    for (qsizetype i = 0; i < values.size() && i < qsizetype(std::size(kDeskKeys)); ++i) {
        if (values.at(i).isValid())
            desk.setValue(QString::fromUtf16(kDeskKeys[i]), values.at(i));
    }
}

} // namespace

void LoadSettings(DbConnection& db, SettingsValues& settings)
{
    // A table that cannot be read leaves every field as it was: login stays
    // off, so the main window still opens.
    auto q = Sql::run(db.database(), QStringLiteral("select * from opcoes"));
    if (!q)
        return;
    if (q->next())
        readRow(*q, settings);
    else if (!q->lastError().isValid())
        setDefaults(settings);
    else
        return;
    if (db.isServer())
        readDeskValues(db, settings);
}

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
    if (Status written = writeRow(db, choice, hasRow); !written)
        return written;
    // The book's row keeps the colours too: a desk that chose none shows them.
    if (db.isServer())
        writeDeskValues(db, {QVariant(), QVariant(), choice.corfundoentrada, choice.corletraentrada,
                             choice.corfundosaida, choice.corletrasaida});
    return Status::success();
}

// The currency and language columns came late: an older book lacks them,
// which shows in the record of "select * from opcoes". Each is added once.
Status SettingsStore::addMissingColumns(DbConnection& db, bool& hasRow)
{
    const QString lateColumns[] = {QStringLiteral("moeda"), QStringLiteral("indioma")};
    for (const QString& name : lateColumns) {
        auto q = Sql::run(db.database(), QStringLiteral("select * from opcoes"));
        if (!q)
            return q.status();
        hasRow = q->next();
        const bool missing = q->record().indexOf(name) < 0;
        q->finish();
        if (missing &&
            !EnsureColumn(db, QStringLiteral("opcoes"), name, QStringLiteral("varchar (20)"))) {
            return Status::failure(
                tr("a coluna %1 não pôde ser acrescentada à tabela opcoes deste livro de caixa.")
                    .arg(name));
        }
    }
    return Status::success();
}

// The table holds a single row; an update without a filter keeps every copy
// of it equal should a hand-edited book hold more than one.
Status SettingsStore::writeRow(DbConnection& db, const SettingsChoice& c, bool hasRow)
{
    const QVariantList values{int(c.susuario), c.corfundoentrada,     c.corletraentrada,
                              c.corfundosaida, c.corletrasaida,       c.moeda,
                              c.indioma,       int(c.qtdarquivosbkp), int(c.bkpautomatico)};
    return Sql::exec(
        db.database(),
        hasRow ? QStringLiteral("update opcoes set susuario = ?, corfundoentrada = ?, "
                                "corletraentrada = ?, corfundosaida = ?, corletrasaida = ?, "
                                "moeda = ?, indioma = ?, qtdarquivosbkp = ?, bkpautomatico = ?")
               : QStringLiteral("insert into opcoes (susuario, corfundoentrada, corletraentrada, "
                                "corfundosaida, corletrasaida, moeda, indioma, qtdarquivosbkp, "
                                "bkpautomatico, lembrar) values (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"),
        values);
}

Status SettingsStore::rememberUser(DbConnection& db, bool remember, const QString& userName)
{
    if (db.isServer()) {
        writeDeskValues(db, {remember, userName});
        return Status::success();
    }
    const auto exists = hasRow(db);
    if (!exists)
        return exists.status();
    return Sql::exec(db.database(),
                     *exists
                         ? QStringLiteral("update opcoes set lembrar = ?, usuario = ?")
                         : QStringLiteral("insert into opcoes (lembrar, usuario) values (?, ?)"),
                     {remember ? 1 : 0, userName});
}

Status SettingsStore::disableLogin(DbConnection& db)
{
    return Sql::exec(db.database(), QStringLiteral("update opcoes set susuario = 0"));
}
