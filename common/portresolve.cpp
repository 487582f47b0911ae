#include "portresolve.h"

#include <QCollator>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

bool IsPlugInAdapter(const QString& name)
{
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

QStringList MachineSerialDevices()
{
    QStringList devices;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        devices.append(info.systemLocation());
    return OrderSerialDevices(devices);
}

} // namespace

QStringList OrderSerialDevices(QStringList devices)
{
    QCollator natural;
    natural.setNumericMode(true);
    natural.setCaseSensitivity(Qt::CaseSensitive);
    std::stable_sort(devices.begin(), devices.end(), [&](const QString& a, const QString& b) {
        const QString nameA = QFileInfo(a).fileName();
        const QString nameB = QFileInfo(b).fileName();
        const bool adapterA = IsPlugInAdapter(nameA);
        const bool adapterB = IsPlugInAdapter(nameB);
        if (adapterA != adapterB)
            return adapterA;
        return natural.compare(nameA, nameB) < 0;
    });
    return devices;
}

QString ResolvePortDevice(int portNumber)
{
    if (portNumber < 1)
        return {};
    const QByteArray variable = "KV310_COM" + QByteArray::number(portNumber);
    if (qEnvironmentVariableIsSet(variable.constData()))
        return qEnvironmentVariable(variable.constData());
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    const QStringList devices = MachineSerialDevices();
    return portNumber <= devices.size() ? devices.at(portNumber - 1) : QString();
#endif
}

QString PortToolTip(int portNumber)
{
    const QString device = ResolvePortDevice(portNumber);
    return QStringLiteral("Com%1: %2")
        .arg(portNumber)
        .arg(device.isEmpty() ? QStringLiteral("no device") : device);
}
