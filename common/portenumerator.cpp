#include "portenumerator.h"

#include "portresolve.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QSerialPortInfo>

namespace {
const QString kDevFolder = QStringLiteral("/dev");
const QString kByIdFolder = QStringLiteral("/dev/serial/by-id");

// QSerialPortInfo, with the by-id links udev makes for USB adapters.
class SystemPortEnumerator : public PortEnumerator {
public:
    QList<SerialDeviceInfo> devices() override
    {
        QHash<QString, QString> byId;   // canonical device -> link
        for (const QFileInfo& link : QDir(kByIdFolder).entryInfoList(QDir::System | QDir::Files))
            byId.insert(link.canonicalFilePath(), link.absoluteFilePath());
        QList<SerialDeviceInfo> found;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            const QString device = info.systemLocation();
            found.append({device, info.description(), info.serialNumber(),
                          byId.value(QFileInfo(device).canonicalFilePath())});
        }
        return found;
    }

    void watch() override
    {
        if (watcher_)
            return;
        watcher_ = new QFileSystemWatcher(this);
        watcher_->addPath(kDevFolder);
        if (QFileInfo(kByIdFolder).isDir())
            watcher_->addPath(kByIdFolder);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
            // The by-id folder comes and goes with the first and last adapter.
            if (QFileInfo(kByIdFolder).isDir() && !watcher_->directories().contains(kByIdFolder))
                watcher_->addPath(kByIdFolder);
            emit devicesChanged();
        });
    }

private:
    QFileSystemWatcher* watcher_ = nullptr;
};

PortEnumerator* g_enumerator = nullptr;
} // namespace

QString SerialDeviceInfo::identity() const
{
    if (!serialNumber.isEmpty())
        return serialNumber;
    return byIdPath.isEmpty() ? device : byIdPath;
}

PortEnumerator& SerialDevices()
{
    static SystemPortEnumerator system;
    return g_enumerator ? *g_enumerator : system;
}

void SetPortEnumerator(PortEnumerator* e)
{
    g_enumerator = e;
    ForgetSerialDevices();   // the list of the one before is no list of these
}
