#include "app/StoredSecrets.h"

#include "book/UserStore.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Session.h"

#include <QCoreApplication>

namespace StoredSecrets {

void protect(Session& session)
{
    if (!session.db.isOpen())
        return;
    const auto converted = UserStore(session.db).convertPlainTextSecrets();
    if (converted)
        return;
    session.dialogs.inform(
        nullptr, Dialogs::Icon::Exclamation,
        QCoreApplication::translate("StoredSecrets", "Atenção"),
        QCoreApplication::translate("StoredSecrets",
                                    "As senhas gravadas no livro de caixa não puderam ser "
                                    "protegidas:\n%1")
            .arg(converted.reason()));
}

} // namespace StoredSecrets
