#pragma once

#include "book/Backup.h"

#include <QCoreApplication>

class QWidget;
struct Session;

// What happens when the main window closes: the window says it is closing,
// then the backup runs at once (automatic backup) or when the user says
// yes. A backup that fails is told to the user. Afterwards the window may
// close, which ends the program. Without a book nothing is offered.
class ExitBackup
{
    Q_DECLARE_TR_FUNCTIONS(ExitBackup)

public:
    static void run(QWidget* window, Session& session);
};

// The backup made when the program closes: closes the session's connection,
// so the file on disk is complete, then copies the book of the data folder
// and keeps the configured number of backups.
Backup::Outcome RunBackup(Session& session);
