#pragma once
#include "portenumerator.h"

#include <QString>
#include <QStringList>

// The port number of an entry as the port lists show it: "Com3", in any
// case, blanks allowed ("com 3"); 0 when the entry names no port.
int PortNumberOf(const QString& entry);

// Which device stands behind port number N ("Com" N):
//  1. the environment variable KV310_COM<N> when it is set (any path, so a
//     pseudo-terminal can stand in for a unit);
//  2. on Windows, "COM<N>";
//  3. elsewhere, the N-th serial device of the machine in the order of
//     OrderSerialDevices.
// Empty when there is no such device.
QString ResolvePortDevice(int portNumber);
// The same with what the system says about the device (only the path for
// a port set by KV310_COM<N>).
SerialDeviceInfo PortDeviceInfo(int portNumber);
// The number (1..maxPortNumber) whose device has this identity
// (SerialDeviceInfo::identity); 0 when none has.
int PortNumberOfIdentity(const QString& identity, int maxPortNumber);
// The machine's devices are listed again at the next resolve (they are
// otherwise reused for up to 2 s).
void ForgetSerialDevices();

// Puts serial device names in the order ports are numbered: plug-in
// adapters (ttyUSB*, ttyACM*) first, then every other port (built-in ttyS*
// and the rest); within each group by name with numbers compared as numbers,
// so ttyACM0, ttyUSB0, ttyUSB1, ttyS0, ttyS2, ttyS10. Folders in the names
// are ignored for the ordering.
QStringList OrderSerialDevices(QStringList devices);

// Tool tip text for a port entry: "Com3: /dev/ttyUSB0", the device's
// description and serial number on lines of their own when known, or
// "Com3: no device" when nothing stands behind the number.
QString PortToolTip(int portNumber);
