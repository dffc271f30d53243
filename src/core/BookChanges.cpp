#include "core/BookChanges.h"

#include "core/DbConnection.h"

#include <QSqlDatabase>

namespace {
const QString kChannel = QStringLiteral("livro_caixa");
} // namespace

BookChanges::BookChanges(DbConnection& db, QObject* parent) : QObject(parent), m_db(db)
{
    // A cheap look, without the network, at whether the connection still
    // listens: a connection made again has forgotten it.
    m_check.setInterval(1000);
    connect(&m_check, &QTimer::timeout, this, &BookChanges::listen);
    if (m_db.isServer()) {
        listen();
        m_check.start();
    }
}

void BookChanges::listen()
{
    const QSqlDatabase db = m_db.database();
    QSqlDriver* driver = db.driver();
    if (!db.isOpen() || !driver)
        return;
    if (driver == m_driver && driver->subscribedToNotifications().contains(kChannel))
        return;
    const bool again = m_driver != nullptr;
    if (!driver->subscribeToNotification(kChannel))
        return; // tried again at the next look
    if (driver != m_driver)
        connect(driver, &QSqlDriver::notification, this,
                [this](const QString& name, QSqlDriver::NotificationSource source,
                       const QVariant&) { onNotification(name, source); });
    m_driver = driver;
    if (again)
        emit changed();
}

void BookChanges::onNotification(const QString& name, QSqlDriver::NotificationSource source)
{
    if (name == kChannel && source != QSqlDriver::SelfSource)
        emit changed();
}
