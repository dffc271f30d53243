#pragma once

#include "core/Status.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DbConnection;

// The book's record of who changed what ("change_log"): every insert, update
// and delete of entries, accounts, users and settings, and every closing and
// reopening of a day, with who made it (the login name; "sem login" when
// login is off), when, on which computer, what (the table and the row's key)
// and the values before and after, as text a person reads. A change and its
// record are written in one transaction, so one never exists without the
// other. The program only ever adds to it.
namespace ChangeLog {

// New kinds go at the end; the book keeps each by its code.
enum class Kind { Insert, Update, Delete, Closing, Reopening, Restore };

QList<Kind> kinds();
// How the book stores a kind ("insert", "update", ...), and back.
QString codeOf(Kind kind);
std::optional<Kind> kindOf(const QString& code);
// How the windows and the exports name it ("Inclusão", "Alteração", ...).
QString textOf(Kind kind);
// Who made a change when nobody was logged in.
QString noLoginText();

// A row's values as the log keeps them: "Campo: valor" pairs in a fixed
// order, joined by "; ". Passwords and secret answers never go in, only a
// note that they changed ("senha alterada").
class Values
{
public:
    Values& add(const QString& field, const QString& value);
    Values& note(const QString& text);
    QString text() const { return m_parts.join(QStringLiteral("; ")); }

private:
    QStringList m_parts;
};

struct Change
{
    Kind kind = Kind::Update;
    QString table;  // the table changed, as the book names it ("caixa")
    QString key;    // the row within it, usually its id; "-" when empty
    QString before; // Values::text() of the row before; empty for an insert
    QString after;  // and after; empty for a delete
};

// Records one change, signed and dated by the connection's write context
// (DbConnection::writeContext, DbConnection::now). Call it inside the
// transaction of the change it records, so that a change that fails takes
// its record with it; alone, the record is a write of its own.
Status record(DbConnection& db, const Change& change);

} // namespace ChangeLog
