#pragma once
#include <QString>

#include <optional>

// A port on a serial server, written as a URL the way serial tools take
// one: "rfc2217://host:port" (Telnet with com port control: the line
// settings are set from here) or "socket://host:port" (raw TCP: the bytes
// as they are, the line settings the server's own).
struct NetworkPort {
    enum class Kind { Rfc2217, Socket };
    Kind kind = Kind::Socket;
    QString host;
    quint16 port = 0;

    // Nothing when text is no such URL (any case for the scheme; an IPv6
    // host in brackets).
    static std::optional<NetworkPort> parse(const QString& text);
    QString url() const;
};

// Whether a port entry names a network port rather than "Com" N.
bool IsNetworkPortEntry(const QString& entry);
