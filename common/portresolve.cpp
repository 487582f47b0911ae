#include "portresolve.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>

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
// at the next scan (ForgetSerialDevices drops it at once).
constexpr qint64 kDeviceListReuseMs = 2000;

QElapsedTimer g_listAge;

// The machine's devices in port number order.
const QList<SerialDeviceInfo>& MachineSerialDevices()
{
    static QList<SerialDeviceInfo> devices;
    if (g_listAge.isValid() && g_listAge.elapsed() < kDeviceListReuseMs)
        return devices;
    QHash<QString, SerialDeviceInfo> byName;
    for (const SerialDeviceInfo& info : SerialDevices().devices())
        byName.insert(info.device, info);
    devices.clear();
    for (const QString& name : OrderSerialDevices(byName.keys()))
        devices.append(byName.value(name));
    g_listAge.start();
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

void ForgetSerialDevices() { g_listAge.invalidate(); }

SerialDeviceInfo PortDeviceInfo(int portNumber)
{
    if (portNumber < 1)
        return {};
    const QByteArray variable = "KV310_COM" + QByteArray::number(portNumber);
    if (qEnvironmentVariableIsSet(variable.constData()))
        return {qEnvironmentVariable(variable.constData()), {}, {}, {}};
#ifdef Q_OS_WIN
    return {QStringLiteral("COM%1").arg(portNumber), {}, {}, {}};
#else
    const QList<SerialDeviceInfo>& devices = MachineSerialDevices();
    return portNumber <= devices.size() ? devices.at(portNumber - 1) : SerialDeviceInfo();
#endif
}

int PortNumberOf(const QString& entry)
{
    bool ok = false;
    const int n = entry.toLower().remove(QStringLiteral("com")).trimmed().toInt(&ok);
    return ok && n > 0 ? n : 0;
}

QString ResolvePortDevice(int portNumber) { return PortDeviceInfo(portNumber).device; }

int PortNumberOfIdentity(const QString& identity, int maxPortNumber)
{
    for (int n = 1; n <= maxPortNumber && !identity.isEmpty(); ++n) {
        const SerialDeviceInfo info = PortDeviceInfo(n);
        if (!info.device.isEmpty() && info.identity() == identity)
            return n;
    }
    return 0;
}

QString PortToolTip(int portNumber)
{
    const SerialDeviceInfo info = PortDeviceInfo(portNumber);
    QString tip = QStringLiteral("Com%1: %2")
                      .arg(portNumber)
                      .arg(info.device.isEmpty() ? QStringLiteral("no device") : info.device);
    if (!info.description.isEmpty())
        tip += QLatin1Char('\n') + info.description;
    if (!info.serialNumber.isEmpty())
        tip += QStringLiteral("\nSerial number ") + info.serialNumber;
    return tip;
}
