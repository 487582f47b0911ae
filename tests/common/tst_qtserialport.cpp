// The real serial backend on a pseudo-terminal: open by port number, line
// settings, bytes both ways, a peer hanging up, and port probing.
#include "portresolve.h"
#include "portservices.h"
#include "ptypair.h"
#include "qtserialport.h"
#include "unprivileged.h"

#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kPtyPort = 7;
constexpr int kMissingPort = 8;
const char* const kPtyVariable = "KV310_COM7";
const char* const kMissingVariable = "KV310_COM8";

double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

} // namespace

class TestQtSerialPort : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        pty_ = std::make_unique<PtyPair>();
        QVERIFY(pty_->ok());
        qputenv(kPtyVariable, pty_->slavePath().toLocal8Bit());
        qputenv(kMissingVariable, "/nonexistent/ttyKV");
    }
    void cleanup()
    {
        pty_.reset();
        qunsetenv(kPtyVariable);
        qunsetenv(kMissingVariable);
    }

    void opensThePortTheNumberResolvesTo()
    {
        QtSerialPort port;
        port.setPortNumber(kPtyPort);
        QCOMPARE(port.deviceName(), pty_->slavePath());
        QVERIFY2(port.open(), qPrintable(port.lastErrorText()));
        QVERIFY(port.isOpen());
        QCOMPARE(port.lastError(), SerialError::None);
        QCOMPARE(port.deviceName(), pty_->slavePath());

        // A second open of an open port is refused as "already open".
        QVERIFY(!port.open());
        QCOMPARE(port.lastError(), SerialError::AlreadyOpen);
        QVERIFY(port.isOpen());
        port.close();
        QVERIFY(!port.isOpen());
    }

    // One device has one owner whatever name it is opened by, root
    // included (as the tests run): another name of it is refused as in use.
    void oneDeviceOpensOnceUnderAnyName()
    {
        const QTemporaryDir dir;
        const QString link = dir.filePath("usb-FTDI_FT232R-if00-port0");
        QVERIFY(QFile::link(pty_->slavePath(), link));
        qputenv("KV310_COM9", QFile::encodeName(link));
        const auto unset = qScopeGuard([] { qunsetenv("KV310_COM9"); });
        QtSerialPort first;
        QtSerialPort second;
        first.setPortNumber(kPtyPort);
        second.setPortNumber(9);
        QVERIFY2(first.open(), qPrintable(first.lastErrorText()));
        QVERIFY(!second.open());
        QCOMPARE(second.lastError(), SerialError::AlreadyOpen);
        QCOMPARE(second.lastErrorText(), link + QStringLiteral(" is in use by another program"));
        QVERIFY(!second.isOpen());
        // The first one's bytes are its own.
        QVERIFY(pty_->writeMaster("ab"));
        QTRY_COMPARE(first.bytesAvailable(), qint64(2));
        first.close();
        QVERIFY2(second.open(), qPrintable(second.lastErrorText()));
    }

    void appliesLineSettings()
    {
        QtSerialPort port;
        port.setPortNumber(kPtyPort);
        LineSettings s;
        // A pty keeps 8 data bits and no parity; speed and stop bits it takes.
        QVERIFY(LineSettings::parse(QStringLiteral("19200,n,8,2"), &s));
        port.setSettings(s);
        const bool opened = port.open();
        QVERIFY2(opened, qPrintable(port.lastErrorText()));
        unsigned speed = 0, cflag = 0;
        QVERIFY(pty_->lineSettings(&speed, &cflag));
        QCOMPARE(speed, unsigned(B19200));
        QVERIFY(cflag & CSTOPB);

        // Changing the settings of an open port takes effect at once.
        QVERIFY(LineSettings::parse(QStringLiteral("9600,n,8,1"), &s));
        port.setSettings(s);
        QVERIFY(pty_->lineSettings(&speed, &cflag));
        QCOMPARE(speed, unsigned(B9600));
        QCOMPARE(cflag & CSIZE, unsigned(CS8));
        QVERIFY(!(cflag & PARENB));
        QVERIFY(!(cflag & CSTOPB));
    }

    void bytesTravelBothWays()
    {
        QtSerialPort port;
        port.setPortNumber(kPtyPort);
        QVERIFY(port.open());
        pty_->releaseSlave();

        // Every byte value, and it leaves without the event loop running.
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QVERIFY(port.write("jrm"));
        QVERIFY(port.write(all));
        QCOMPARE(pty_->readMaster(3 + 256), QByteArray("jrm") + all);

        QSignalSpy ready(&port, &SerialPort::readyRead);
        QVERIFY(pty_->writeMaster(QByteArray("i\xF0\x00\xFF", 4)));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).size() >= 4, 2000);
        QCOMPARE(got, QByteArray("i\xF0\x00\xFF", 4));
        QVERIFY(ready.count() >= 1);
        QCOMPARE(port.bytesAvailable(), 0);
    }

    void writeOnClosedPortFails()
    {
        QtSerialPort port;
        port.setPortNumber(kPtyPort);
        QVERIFY(!port.write("x"));
        QCOMPARE(port.lastError(), SerialError::WriteFailed);
        QCOMPARE(port.readAll(), QByteArray());
        QCOMPARE(port.bytesAvailable(), 0);
    }

    void peerHangingUpDropsTheLineOnce()
    {
        QtSerialPort port;
        QSignalSpy errors(&port, &SerialPort::errorOccurred);
        QVERIFY(openThenHangUp(port, errors));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).value<SerialError>(), SerialError::LineDropped);
        QVERIFY(!errors.at(0).at(1).toString().isEmpty());
        QVERIFY(!port.isOpen());
        QCOMPARE(port.lastError(), SerialError::LineDropped);

        // No storm of repeated faults afterwards, and no CPU burnt on one.
        const double cpuBefore = ProcessCpuMs();
        QTest::qWait(300);
        const double cpuUsed = ProcessCpuMs() - cpuBefore;
        QCOMPARE(errors.count(), 1);
        QVERIFY2(cpuUsed < 50, qPrintable(QStringLiteral("%1 ms CPU").arg(cpuUsed)));
        QVERIFY(!port.write("x"));
    }

    void reopensAfterTheLineDropped()
    {
        QtSerialPort port;
        QSignalSpy errors(&port, &SerialPort::errorOccurred);
        QVERIFY(openThenHangUp(port, errors));

        // A new line on the same number works normally.
        pty_ = std::make_unique<PtyPair>();
        qputenv(kPtyVariable, pty_->slavePath().toLocal8Bit());
        QVERIFY2(port.open(), qPrintable(port.lastErrorText()));
        QCOMPARE(port.lastError(), SerialError::None);
        QVERIFY(port.write("ok"));
        QCOMPARE(pty_->readMaster(2), QByteArray("ok"));
    }

    void openFailuresSayWhy()
    {
        QtSerialPort port;
        port.setPortNumber(kMissingPort);
        QVERIFY(!port.open());
        QVERIFY(!port.isOpen());
        QCOMPARE(port.lastError(), SerialError::NotFound);
        QVERIFY(port.lastErrorText().contains(QLatin1String("/nonexistent/ttyKV")));

        // A number with no device behind it at all.
        qputenv(kMissingVariable, "");
        QVERIFY(!port.open());
        QCOMPARE(port.lastError(), SerialError::NotFound);

        // A port another program holds is "already open", not a permission fault.
        QtSerialPort holder;
        holder.setPortNumber(kPtyPort);
        QVERIFY(holder.open());
        QtSerialPort second;
        second.setPortNumber(kPtyPort);
        QVERIFY(!second.open());
        QCOMPARE(second.lastError(), SerialError::AlreadyOpen);
    }

    void permissionFaultExplainsTheDialoutGroup()
    {
        QVERIFY(QFile::setPermissions(pty_->slavePath(), QFileDevice::Permissions()));
        // As an ordinary user also when the tests run as root.
        const std::optional<QByteArray> report = RunUnprivileged([] {
            QtSerialPort port;
            port.setPortNumber(kPtyPort);
            const bool opened = port.open();
            return QByteArray::number(opened) + ' ' + QByteArray::number(int(port.lastError())) + ' '
                + port.lastErrorText().toUtf8();
        });
        if (!report)
            QSKIP("cannot drop privileges here");
        const QByteArray expected = "0 " + QByteArray::number(int(SerialError::PermissionDenied)) + ' ';
        QVERIFY2(report->startsWith(expected), report->constData());
        QVERIFY2(report->contains("Permission denied on " + pty_->slavePath().toUtf8()
                                  + ". Add your user to the dialout group"),
                 report->constData());
    }

    void portAvailableProbesAndCloses()
    {
        QtSerialPort prober;
        QVERIFY(PortAvailable(kPtyPort, prober));
        QCOMPARE(prober.portNumber(), kPtyPort);
        QVERIFY(!prober.isOpen());
        // Probing left the port free for the real connection.
        QtSerialPort link;
        link.setPortNumber(kPtyPort);
        QVERIFY(link.open());

        // Busy (held by the link), missing: not available, and nothing thrown.
        QVERIFY(!PortAvailable(kPtyPort, prober));
        QVERIFY(!PortAvailable(kMissingPort, prober));
        QVERIFY(!prober.isOpen());
    }

    void toolTipShowsTheDevice()
    {
        QCOMPARE(PortToolTip(kPtyPort), QStringLiteral("Com7: ") + pty_->slavePath());
        qputenv(kMissingVariable, "");
        QCOMPARE(PortToolTip(kMissingPort), QStringLiteral("Com8: no device"));
    }

    void environmentOverridesTheMachineList()
    {
        QCOMPARE(ResolvePortDevice(kPtyPort), pty_->slavePath());
        qputenv("KV310_COM12", "/tmp/anything");
        QCOMPARE(ResolvePortDevice(12), QStringLiteral("/tmp/anything"));
        qunsetenv("KV310_COM12");
        QCOMPARE(ResolvePortDevice(0), QString());
        QCOMPARE(ResolvePortDevice(-3), QString());
    }

    void devicesAreOrderedAdaptersFirstThenByNumber()
    {
        const QStringList names{QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyACM0"),
                                QStringLiteral("/dev/ttyS0"),   QStringLiteral("/dev/ttyUSB0"),
                                QStringLiteral("/dev/ttyS10"),  QStringLiteral("/dev/ttyS2"),
                                QStringLiteral("/dev/ttyUSB10"), QStringLiteral("/dev/ttyUSB2")};
        const QStringList expected{QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0"),
                                   QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyUSB2"),
                                   QStringLiteral("/dev/ttyUSB10"), QStringLiteral("/dev/ttyS0"),
                                   QStringLiteral("/dev/ttyS2"),   QStringLiteral("/dev/ttyS10")};
        QCOMPARE(OrderSerialDevices(names), expected);
        // The order does not depend on the order the system listed them in.
        QStringList reversed(names.rbegin(), names.rend());
        QCOMPARE(OrderSerialDevices(reversed), expected);
        QCOMPARE(OrderSerialDevices({}), QStringList());
    }

private:
    // Opens the port on the pty, then the peer hangs up; true once the
    // spy has seen the first fault.
    bool openThenHangUp(QtSerialPort& port, QSignalSpy& errors)
    {
        port.setPortNumber(kPtyPort);
        if (!port.open())
            return false;
        pty_->releaseSlave();
        pty_->closeMaster();
        return QTest::qWaitFor([&] { return errors.count() >= 1; }, 2000);
    }

    std::unique_ptr<PtyPair> pty_;
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
