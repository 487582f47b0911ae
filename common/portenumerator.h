#pragma once
#include <QList>
#include <QObject>
#include <QString>

// One serial device of the machine, as the system describes it.
struct SerialDeviceInfo {
    QString device;        // "/dev/ttyUSB0"
    QString description;   // "FT232R USB UART"
    QString serialNumber;  // "A1B2C3D4"; empty when the adapter has none
    QString byIdPath;      // "/dev/serial/by-id/usb-FTDI_...", when there is one

    // What finds the same adapter again when its number moved: the serial
    // number, else the by-id path, else the device.
    QString identity() const;
};

// Lists the machine's serial devices without opening any, and says when
// the list may have changed (an adapter plugged in or out). The programs
// use the system's; tests install one whose devices they add and remove.
class PortEnumerator : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QList<SerialDeviceInfo> devices() = 0;
    // From now on, devicesChanged() reports changes (the system's watches
    // the device folders; nothing polls).
    virtual void watch() {}

signals:
    void devicesChanged();
};

// The installed enumerator, else the system's.
PortEnumerator& SerialDevices();
// Installs e (not owned); nullptr goes back to the system's.
void SetPortEnumerator(PortEnumerator* e);
