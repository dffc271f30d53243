#include "core/Session.h"

#include "core/DbConnection.h"

Session::Session(DbConnection& connection, Dialogs& dialogService, Clock& sessionClock,
                 QString dataFolder)
    : db(connection), dialogs(dialogService), clock(sessionClock), dataDir(std::move(dataFolder))
{
    // Every write through the session's connection is signed by whoever is
    // logged in and dated by the session's clock.
    db.setWriteContext(WriteContext(CurrentUser, clock));
}

Session::~Session()
{
    db.setWriteContext(WriteContext());
}
