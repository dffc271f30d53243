#pragma once

#include "core/Status.h"

#include <QString>

class DbConnection;
class Dialogs;
class QCoreApplication;
class QWidget;
struct ServerAddress;
struct Session;

// The program's start-up routine, without the windows: main() shows the
// window it names.
namespace Startup {

enum class FirstWindow { Login, Main };

// The program's name and identity for the desktop, and Qt's own texts in
// Portuguese. Window titles stay exactly the windows' own: nothing is
// appended to them; the desktop knows the program by its desktop file name.
void describeApplication(QCoreApplication& app);
inline constexpr char16_t kDesktopFileName[] = u"br.com.tamirolavrenta.LivroCaixa";

// Takes the book of the data folder for this program (one program at a time),
// opens it (a failure shows the connection message and start-up goes on),
// sets the common level, loads the settings and tells which window comes
// first. The older program's Access book is first converted into a book of
// this program; a book whose indexes are damaged is repaired once the user
// agrees; a book without the search's word index gets it.
FirstWindow Main(Session& session);

// Opens the data folder's book again, on the lock already held (after a
// restore put another file in its place): the same open and the same chores
// as at start-up, with the user who is logged in kept. A failure is shown and
// leaves the session without a book.
void reopen(Session& session);

// Connects `db` to a server book, asking for the password (a few times at
// most) when the server wants one that neither the URL nor libpq's password
// file gave; it is kept in memory for this run only.
Status connectToServer(Dialogs& dialogs, QWidget* parent, DbConnection& db, ServerAddress address);

// The text of the message shown when the book cannot be opened.
QString connectionFailureText(const QString& reason);

} // namespace Startup
