#pragma once

#include <QCoreApplication>

class QWidget;
struct Session;

// What happens when the main window closes: the window says it is closing,
// then the backup runs at once (automatic backup) or when the user says
// yes. A backup that fails is told to the user. Afterwards the window may
// close, which ends the program.
class ExitBackup
{
    Q_DECLARE_TR_FUNCTIONS(ExitBackup)

public:
    static void run(QWidget* window, Session& session);
};
