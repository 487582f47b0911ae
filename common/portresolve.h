#pragma once
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

// Puts serial device names in the order ports are numbered: plug-in
// adapters (ttyUSB*, ttyACM*) first, then every other port (built-in ttyS*
// and the rest); within each group by name with numbers compared as numbers,
// so ttyACM0, ttyUSB0, ttyUSB1, ttyS0, ttyS2, ttyS10. Folders in the names
// are ignored for the ordering.
QStringList OrderSerialDevices(QStringList devices);

// Tool tip text for a port entry: "Com3: /dev/ttyUSB0", or
// "Com3: no device" when nothing stands behind the number.
QString PortToolTip(int portNumber);
