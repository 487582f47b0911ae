#pragma once
#include <QByteArray>
#include <QString>

// A pseudo-terminal standing in for a serial line: the program opens the
// slave path as its port, the test talks through the master end.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    bool ok() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }
    // Bytes that reached the master within timeoutMs (blocks in poll()).
    QByteArray readMaster(int expected, int timeoutMs = 1000);
    bool writeMaster(const QByteArray& bytes);
    // The peer hangs up: the port side sees its line drop.
    void closeMaster();
    // The slave's line settings as the port left them.
    bool lineSettings(unsigned* speed, unsigned* cflag) const;
    // Lets go of the slave end opened with the pair (after the port has
    // opened it, so the pty stays alive while the port holds it).
    void releaseSlave();

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};
