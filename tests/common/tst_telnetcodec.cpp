// The Telnet and RFC 2217 bytes a serial server is spoken to with, from
// the RFCs' own tables, and what its answers come apart into.
#include "networkport.h"
#include "telnetcodec.h"

#include <QTest>

using namespace Telnet;

class TestTelnetCodec : public QObject {
    Q_OBJECT
private slots:
    void lineSettingsAsRfc2217Has()
    {
        LineSettings s;   // 9600,n,8,1
        // IAC SB COM-PORT-OPTION(44) SET-BAUDRATE(1) 4 bytes, network order, IAC SE; then
        // SET-DATASIZE(2) 8, SET-PARITY(3) 1 (none), SET-STOPSIZE(4) 1.
        QCOMPARE(LineSettingsCommands(s), QByteArray::fromHex("fffa2c0100002580fff0"
                                                             "fffa2c0208fff0"
                                                             "fffa2c0301fff0"
                                                             "fffa2c0401fff0"));
        LineSettings loader;
        QVERIFY(LineSettings::parse(QStringLiteral("38400,e,7,2"), &loader));
        QCOMPARE(LineSettingsCommands(loader), QByteArray::fromHex("fffa2c0100009600fff0"
                                                                  "fffa2c0207fff0"
                                                                  "fffa2c0303fff0"
                                                                  "fffa2c0402fff0"));
        // 0xFF in a value is doubled: a rate of 0x0000FFFF.
        QCOMPARE(ComPortCommand(ComPort::kSetBaudRate, QByteArray::fromHex("0000ffff")),
                 QByteArray::fromHex("fffa2c010000ffffffff" "fff0"));
        QCOMPARE(ComPortCommand(ComPort::kPurgeData, QByteArray(1, '\x01')), QByteArray::fromHex("fffa2c0c01fff0"));
        QCOMPARE(Negotiation(kWill, kComPortOption), QByteArray::fromHex("fffb2c"));
        QCOMPARE(Negotiation(kDo, kBinary), QByteArray::fromHex("fffd00"));
    }

    void dataGoesWith0xFFDoubled()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        const QByteArray wire = EscapedData(all);
        QCOMPARE(wire.size(), 257);
        QVERIFY(wire.endsWith("\xff\xff"));
        Decoder d;
        QList<Decoder::Command> commands;
        QCOMPARE(d.feed(wire, &commands), all);
        QVERIFY(commands.isEmpty());
    }

    // What ser2net greets with and answers, split anywhere: the data apart
    // from the commands, whole.
    void answersComeApartWhereverTheyAreSplit()
    {
        const QByteArray stream = QByteArray::fromHex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2c"   // negotiation
                                                      "fffa2c6b00fff0"                                 // SB 107
                                                      "69" "fff1" "41ffff42"                           // i, NOP, A 0xFF B
                                                      "fffa2c650000ff" "ff80fff0"                      // SB 101 with a doubled 0xFF
                                                      "43");
        for (int cut = 0; cut <= stream.size(); ++cut) {
            Decoder d;
            QList<Decoder::Command> commands;
            QByteArray data = d.feed(stream.left(cut), &commands);
            data += d.feed(stream.mid(cut), &commands);
            QCOMPARE(data, QByteArray::fromHex("6941ff4243"));
            QCOMPARE(commands.size(), 9);
            QCOMPARE(commands[6].verb, kDo);
            QCOMPARE(commands[6].option, kComPortOption);
            QCOMPARE(commands[7].verb, kSb);
            QCOMPARE(commands[7].payload, QByteArray::fromHex("6b00"));
            QCOMPARE(commands[8].payload, QByteArray::fromHex("650000ff80"));
        }
    }

    void anEndlessSubnegotiationIsDropped()
    {
        Decoder d;
        QList<Decoder::Command> commands;
        const QByteArray data = d.feed(QByteArray::fromHex("fffa2c") + QByteArray(100000, 'x') + QByteArray::fromHex("fff0") + "ok",
                                       &commands);
        QCOMPARE(data, QByteArray("ok"));
        QVERIFY(commands.isEmpty());
    }

    void portUrls_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::newRow("rfc2217") << "rfc2217://192.168.1.20:2217" << "rfc2217://192.168.1.20:2217";
        QTest::newRow("socket, any case") << "SOCKET://unit.example:4001" << "socket://unit.example:4001";
        QTest::newRow("IPv6") << "rfc2217://[::1]:7000" << "rfc2217://[::1]:7000";
        QTest::newRow("no port") << "rfc2217://host" << "";
        QTest::newRow("a path") << "socket://host:1/x" << "";
        QTest::newRow("other scheme") << "telnet://host:23" << "";
        QTest::newRow("a numbered port") << "Com3" << "";
        QTest::newRow("a device") << "/dev/ttyUSB0" << "";
    }
    void portUrls()
    {
        QFETCH(QString, text);
        QFETCH(QString, url);
        const std::optional<NetworkPort> p = NetworkPort::parse(text);
        QCOMPARE(p.has_value(), !url.isEmpty());
        QCOMPARE(IsNetworkPortEntry(text), !url.isEmpty());
        if (p)
            QCOMPARE(p->url(), url);
    }
};

QTEST_GUILESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
