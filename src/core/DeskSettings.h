#pragma once

#include <QSettings>
#include <QString>

// Where this computer keeps what belongs to one desk and one person rather
// than to the book (the operating-system user's settings): window places,
// the last export folder, and, for a book several desks share on a server,
// the remembered user and the colours of the grid.
namespace DeskSettings {

inline constexpr char kOrganization[] = "Tamiro Lavrenta";
inline constexpr char kApplication[] = "livro-caixa";

QSettings open();
// The group of one server book's values (its location, without password).
QString bookGroup(const QString& location);

} // namespace DeskSettings
