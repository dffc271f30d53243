#include "users/StoredSecrets.h"

#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Session.h"
#include "users/UserStore.h"

#include <QCoreApplication>

namespace StoredSecrets {

void protect(Session& session)
{
    if (!session.db.isOpen())
        return;
    QString error;
    if (UserStore(session.db).convertPlainTextSecrets(&error))
        return;
    session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation, QCoreApplication::translate("StoredSecrets", "Atenção"),
                           QCoreApplication::translate("StoredSecrets",
                                                       "As senhas gravadas no livro de caixa não puderam ser "
                                                       "protegidas:\n%1")
                               .arg(error));
}

} // namespace StoredSecrets
