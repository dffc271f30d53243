#include "core/Settings.h"

#include "core/DbConnection.h"
#include "core/Fields.h"
#include "core/Formats.h"

#include <QSqlQuery>
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

} // namespace

void LoadSettings(DbConnection& db, SettingsValues& settings)
{
    QSqlQuery q(db.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select * from opcoes")))
        return;
    if (q.next())
        readRow(q, settings);
    else if (q.isActive())
        setDefaults(settings);
}

QColor SettingsValues::receivedBackground() const
{
    return Formats::colorFromSetting(corfundoentrada, QColor(0, 0, 255));
}

QColor SettingsValues::receivedText() const
{
    return Formats::colorFromSetting(corletraentrada, QColor(255, 255, 255));
}

QColor SettingsValues::paidBackground() const
{
    return Formats::colorFromSetting(corfundosaida, QColor(255, 0, 0));
}

QColor SettingsValues::paidText() const
{
    return Formats::colorFromSetting(corletrasaida, QColor(255, 255, 255));
}
