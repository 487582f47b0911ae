#include "portresolve.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

bool IsPlugInAdapter(const QString& name)
{
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

// The digits of a number without its leading zeros ("007" -> "7").
QStringView Significant(QStringView digits)
{
    qsizetype i = 0;
    while (i + 1 < digits.size() && digits.at(i) == u'0')
        ++i;
    return digits.mid(i);
}

// Compares names with runs of digits taken as numbers: ttyS2 < ttyS10.
bool NaturalLess(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype endA = i, endB = j;
            while (endA < a.size() && a.at(endA).isDigit())
                ++endA;
            while (endB < b.size() && b.at(endB).isDigit())
                ++endB;
            // The longer number is the larger; equal lengths compare digit by digit.
            const QStringView numA = Significant(QStringView(a).mid(i, endA - i));
            const QStringView numB = Significant(QStringView(b).mid(j, endB - j));
            if (numA.size() != numB.size())
                return numA.size() < numB.size();
            if (numA != numB)
                return numA < numB;
            i = endA;
            j = endB;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// Listing the machine's ports takes tens of milliseconds (every built-in
// port is probed), and a port scan resolves 16 numbers in a row: the list
// is reused for a moment, short enough that a plugged-in adapter shows up
// at the next scan.
constexpr qint64 kDeviceListReuseMs = 2000;

QStringList MachineSerialDevices()
{
    static QStringList devices;
    static QElapsedTimer age;
    if (age.isValid() && age.elapsed() < kDeviceListReuseMs)
        return devices;
    QStringList found;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        found.append(info.systemLocation());
    devices = OrderSerialDevices(found);
    age.start();
    return devices;
}

} // namespace

QStringList OrderSerialDevices(QStringList devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const QString& a, const QString& b) {
        const QString nameA = QFileInfo(a).fileName();
        const QString nameB = QFileInfo(b).fileName();
        const bool adapterA = IsPlugInAdapter(nameA);
        const bool adapterB = IsPlugInAdapter(nameB);
        if (adapterA != adapterB)
            return adapterA;
        return NaturalLess(nameA, nameB);
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

int PortNumberOf(const QString& entry)
{
    bool ok = false;
    const int n = entry.toLower().remove(QStringLiteral("com")).trimmed().toInt(&ok);
    return ok && n > 0 ? n : 0;
}

QString PortToolTip(int portNumber)
{
    const QString device = ResolvePortDevice(portNumber);
    return QStringLiteral("Com%1: %2")
        .arg(portNumber)
        .arg(device.isEmpty() ? QStringLiteral("no device") : device);
}
