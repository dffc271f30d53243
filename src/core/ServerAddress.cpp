#include "core/ServerAddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ServerAddress", text);
}

} // namespace

bool ServerAddress::looksLikeUrl(const QString& text)
{
    return text.startsWith(u"postgresql://", Qt::CaseInsensitive) ||
           text.startsWith(u"postgres://", Qt::CaseInsensitive);
}

Result<ServerAddress> ServerAddress::parse(const QString& text)
{
    const QString bad = tr("o endereço do servidor \"%1\" não é válido: %2");
    if (!looksLikeUrl(text))
        return Status::failure(bad.arg(text, tr("ele deve começar com postgresql://")));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return Status::failure(bad.arg(text, url.errorString()));
    ServerAddress address;
    address.host = url.host();
    address.port = url.port(-1);
    address.user = url.userName();
    address.password = url.password();
    address.database = url.path().mid(1);
    // libpq's own spelling for a socket folder or a host given as a parameter.
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("host")))
        address.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (query.hasQueryItem(QStringLiteral("port")))
        address.port = query.queryItemValue(QStringLiteral("port")).toInt();
    if (address.database.isEmpty() || address.database.contains(u'/'))
        return Status::failure(bad.arg(text, tr("falta o nome do banco de dados depois da barra")));
    return address;
}

QString ServerAddress::compose(bool withPassword) const
{
    const auto encoded = [](const QString& part) {
        return QString::fromLatin1(QUrl::toPercentEncoding(part));
    };
    const bool socket = host.startsWith(u'/');
    QString text = QStringLiteral("postgresql://") + encoded(user);
    if (withPassword && !password.isEmpty())
        text += u':' + encoded(password);
    if (!user.isEmpty())
        text += u'@';
    if (!socket)
        text += host;
    if (port > 0)
        text += u':' + QString::number(port);
    text += u'/' + encoded(database);
    if (socket)
        text += QStringLiteral("?host=") + encoded(host);
    return text;
}

QString ServerAddress::display() const
{
    return compose(false);
}

QString ServerAddress::url() const
{
    return compose(true);
}

void ServerAddress::applyTo(QSqlDatabase& db) const
{
    db.setHostName(host);
    db.setPort(port);
    db.setUserName(user);
    db.setPassword(password);
    db.setDatabaseName(database);
    // Connecting gives up after 5 seconds; a connection whose server went
    // silent is declared lost after 10 (TCP), so no action hangs on the
    // network for longer than that.
    db.setConnectOptions(QStringLiteral(
        "connect_timeout=5;application_name=livro-caixa;keepalives=1;keepalives_idle=5;"
        "keepalives_interval=2;keepalives_count=2;tcp_user_timeout=10000"));
}

namespace ConnectionFile {

QString path(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("livro-caixa.ini"));
}

QString serverUrl(const QString& dataDir)
{
    const QString file = path(dataDir);
    if (!QFile::exists(file))
        return QString();
    const QSettings settings(file, QSettings::IniFormat);
    return settings.value(QStringLiteral("servidor/url")).toString().trimmed();
}

} // namespace ConnectionFile
