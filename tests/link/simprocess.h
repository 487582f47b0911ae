#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What kv310-sim reports about itself (its --state file).
struct SimState {
    struct Write {
        bool eeprom = true;
        int address = 0;   // EEPROM address or block type
        int index = 0;
        QByteArray data;
    };
    QByteArray eeprom;
    QMap<QPair<int, int>, QByteArray> blocks;
    QList<Write> writes;
    QStringList options;
    qint64 received = 0;
    int eepromReads = 0;     // whole EEPROM images served
    int blockReads = 0;      // FLASH blocks served
    int stray = 0;           // bytes out of place in a mode, unknown blocks asked for
    QByteArray idle;         // the last characters received in idle mode

    QList<Write> eepromWrites() const;
    QList<Write> blockWrites() const;
};

// The real kv310-sim executable on a pseudo-terminal, reachable as port
// number `port` (KV310_COM<port> points at its device while it runs).
class SimProcess {
public:
    explicit SimProcess(int port = 7);
    ~SimProcess();

    // Starts with these options (plus --state); false when it did not come up.
    bool start(const QStringList& options = {});
    void stop();
    QString device() const { return device_; }
    QString portText() const { return QStringLiteral("Com%1").arg(port_); }
    // Asks the running simulator for its state and reads it.
    SimState state();
    // Sends one control line ("reset").
    void command(const QByteArray& line);
    bool running() const { return process_.state() == QProcess::Running; }
    // Waits for the simulator to end by itself (after a hang-up).
    bool waitForExit(int ms);
    // The state file as the simulator left it when it ended.
    SimState finalState() const;

    static QString binary(const QString& name);
    static SimState parseState(const QByteArray& text);

private:
    int port_;
    QTemporaryDir dir_;
    QProcess process_;
    QString device_;
};
