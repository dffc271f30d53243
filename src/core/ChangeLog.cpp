#include "core/ChangeLog.h"

#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Sql.h"

#include <QCoreApplication>

namespace ChangeLog {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ChangeLog", text);
}

struct KindName
{
    Kind kind;
    const char* code;
};

const KindName kKinds[] = {
    {Kind::Insert, "insert"},   {Kind::Update, "update"},       {Kind::Delete, "delete"},
    {Kind::Closing, "closing"}, {Kind::Reopening, "reopening"}, {Kind::Restore, "restore"},
};

// An insert has no values before, a delete none after.
QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

} // namespace

QList<Kind> kinds()
{
    QList<Kind> all;
    for (const KindName& k : kKinds)
        all.append(k.kind);
    return all;
}

QString codeOf(Kind kind)
{
    for (const KindName& k : kKinds) {
        if (k.kind == kind)
            return QString::fromLatin1(k.code);
    }
    return QString();
}

std::optional<Kind> kindOf(const QString& code)
{
    for (const KindName& k : kKinds) {
        if (code == QLatin1String(k.code))
            return k.kind;
    }
    return std::nullopt;
}

QString textOf(Kind kind)
{
    switch (kind) {
    case Kind::Insert:
        return tr("Inclusão");
    case Kind::Update:
        return tr("Alteração");
    case Kind::Delete:
        return tr("Exclusão");
    case Kind::Closing:
        return tr("Fechamento do dia");
    case Kind::Reopening:
        return tr("Reabertura do dia");
    case Kind::Restore:
        return tr("Restauração de backup");
    }
    return QString();
}

QString noLoginText()
{
    return tr("sem login");
}

Values& Values::add(const QString& field, const QString& value)
{
    m_parts.append(field + QStringLiteral(": ") + value);
    return *this;
}

Values& Values::note(const QString& text)
{
    m_parts.append(text);
    return *this;
}

Status record(DbConnection& db, const Change& change)
{
    const auto now = db.now();
    if (!now)
        return now.status();
    const WriteContext& writer = db.writeContext();
    const QString who = writer.userName().isEmpty() ? noLoginText() : writer.userName();
    return Sql::exec(db.database(),
                     QStringLiteral("insert into change_log (changed_at, user_name, computer, "
                                    "kind, table_name, row_key, before_values, after_values) "
                                    "values (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {Formats::dbMoment(*now), who, writer.computer(), codeOf(change.kind),
                      change.table, change.key.isEmpty() ? QStringLiteral("-") : change.key,
                      textOrNull(change.before), textOrNull(change.after)});
}

} // namespace ChangeLog
