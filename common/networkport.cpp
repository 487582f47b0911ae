#include "networkport.h"

#include <QUrl>

std::optional<NetworkPort> NetworkPort::parse(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.port() <= 0 || !url.path().isEmpty()
        || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    NetworkPort p;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("rfc2217"))
        p.kind = Kind::Rfc2217;
    else if (scheme == QLatin1String("socket"))
        p.kind = Kind::Socket;
    else
        return std::nullopt;
    p.host = url.host();
    p.port = quint16(url.port());
    return p;
}

QString NetworkPort::url() const
{
    const QString host = this->host.contains(QLatin1Char(':')) ? QLatin1Char('[') + this->host + QLatin1Char(']') : this->host;
    return QStringLiteral("%1://%2:%3")
        .arg(kind == Kind::Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("socket"), host)
        .arg(port);
}

bool IsNetworkPortEntry(const QString& entry) { return NetworkPort::parse(entry).has_value(); }
