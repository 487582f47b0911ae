#pragma once
#include "portenumerator.h"

// Serial devices a test plugs in and pulls out. Installs itself on
// construction and goes back to the system's on destruction.
class FakePortEnumerator : public PortEnumerator {
public:
    FakePortEnumerator() { SetPortEnumerator(this); }
    ~FakePortEnumerator() override { SetPortEnumerator(nullptr); }

    QList<SerialDeviceInfo> devices() override { return devices_; }

    void plugIn(const SerialDeviceInfo& device)
    {
        devices_.append(device);
        emit devicesChanged();
    }
    void pullOut(const QString& device)
    {
        devices_.removeIf([&](const SerialDeviceInfo& d) { return d.device == device; });
        emit devicesChanged();
    }
    // Without a word, as at a start when the machine already had them.
    void setDevices(const QList<SerialDeviceInfo>& devices) { devices_ = devices; }

private:
    QList<SerialDeviceInfo> devices_;
};
