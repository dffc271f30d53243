#pragma once

#include "core/Status.h"

#include <QString>

class DbConnection;
class QCoreApplication;
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

// Opens the book in the data folder (a failure shows the connection message,
// the session records that no book is open and why, and start-up goes on),
// sets the common level, loads the settings and tells which window comes
// first. The older program's Access book is first converted into a book of
// this program; amounts another tool stored as decimals are made whole.
FirstWindow Main(Session& session);

// The text of the message shown when the book cannot be opened.
QString connectionFailureText(const QString& reason);

} // namespace Startup
