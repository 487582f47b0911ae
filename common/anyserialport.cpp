#include "anyserialport.h"

AnySerialPort::AnySerialPort(QObject* parent)
    : SerialPort(parent)
{
    for (SerialPort* port : {static_cast<SerialPort*>(&local_), static_cast<SerialPort*>(&remote_)}) {
        connect(port, &SerialPort::readyRead, this, &SerialPort::readyRead);
        connect(port, &SerialPort::errorOccurred, this, &SerialPort::errorOccurred);
    }
}

void AnySerialPort::setPortNumber(int number)
{
    if (network_)
        remote_.close();
    network_ = false;
    local_.setPortNumber(number);
}

bool AnySerialPort::setNetworkPort(const QString& url)
{
    const std::optional<NetworkPort> target = NetworkPort::parse(url);
    if (!target)
        return false;
    if (!network_)
        local_.close();
    network_ = true;
    remote_.setTarget(*target);
    return true;
}

void AnySerialPort::setSettings(const LineSettings& settings)
{
    local_.setSettings(settings);
    remote_.setSettings(settings);
}
