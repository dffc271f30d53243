#pragma once

#include "core/DeskSettings.h"

#include <QString>

class QWidget;

// What the program remembers for the person at this computer: where the
// windows were and the folder of the last export. It is kept outside the
// book, in the operating-system user's settings (QSettings), because a book
// may be shared by several desks while these belong to one computer and one
// person.
namespace UserMemory {

inline constexpr const char* kOrganization = DeskSettings::kOrganization;
inline constexpr const char* kApplication = DeskSettings::kApplication;

// Puts a window where it was when it was last remembered under key, with
// its size; false when nothing was remembered.
bool restoreWindow(QWidget* window, const QString& key);
void rememberWindow(const QWidget* window, const QString& key);

// The folder the last export went to; the user's documents folder before
// the first one.
QString exportFolder();
void rememberExportFolder(const QString& folder);

} // namespace UserMemory
