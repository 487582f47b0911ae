#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QRandomGenerator>
#include <QString>
#include <cstdint>

struct UnitConfig;

// The unit's configuration firmware as the program meets it on the serial
// line: idle (option commands, feedback text), read mode ("jrm": EEPROM
// image, FLASH blocks) and program mode ("jpm": EEPROM and block writes),
// each left with 0xF0. The host feeds it every byte the program sends and
// sends back what onBytes returns; it keeps no time of its own.
class UnitSim {
public:
    // One write the program made, as the unit received it.
    struct Write {
        enum Kind { Eeprom, Block } kind;
        int address = 0;   // EEPROM start address, or the block type
        int index = 0;     // block index (blocks only)
        QByteArray data;   // the data bytes (blocks: all "total" bytes)
    };

    // The unit holds config, its FLASH blocks sized for the hardware code.
    UnitSim(const UnitConfig& config, int hardwareCode, int firmwareVersion);

    QByteArray onBytes(const QByteArray& in);

    // Fault switches.
    void setMute(bool on) { mute_ = on; }         // answers nothing at all
    void setGarbage(bool on) { garbage_ = on; }   // answers noise, never "i"
    void setPowerFail(bool on);                   // sets bit 7 of the power status
    void setWriteAck(bool on) { writeAck_ = on; } // off: writes are stored, never confirmed
    // Write number n (1 the first, EEPROM and blocks counted together) is
    // confirmed but not stored, as a unit that lost it would; 0 stores all.
    void setDropWrite(int n) { dropWrite_ = n; }
    // What the unit prints after a reset.
    static QByteArray resetText() { return QByteArrayLiteral("Reset...\r\n"); }

    const QByteArray& eeprom() const { return eeprom_; }
    // Stored block bytes by (type, index).
    const QMap<QPair<int, int>, QByteArray>& blocks() const { return blocks_; }
    const QList<Write>& writes() const { return writes_; }
    // The option commands received in idle mode, in order.
    const QList<QByteArray>& optionCommands() const { return optionCommands_; }
    qint64 bytesReceived() const { return received_; }
    // Whole EEPROM images and FLASH blocks served in read mode.
    int eepromReads() const { return eepromReads_; }
    int blockReads() const { return blockReads_; }
    // The last blocks served, (type, index) in order, at most kReadLogSize.
    const QList<QPair<int, int>>& blocksServed() const { return blocksServed_; }
    static constexpr int kReadLogSize = 1024;
    // Bytes that had no place in a read or program mode (no command, not a
    // mode request), plus requests for blocks the unit does not have.
    int strayBytes() const { return stray_; }
    // The last characters received in idle mode (text, mode and option
    // commands), at most kIdleLogSize.
    const QByteArray& idleLog() const { return idleLog_; }
    static constexpr int kIdleLogSize = 4096;

    // The state as text: "eeprom HEX", "block TYPE INDEX HEX" lines, then
    // "write eeprom ADDR HEX" / "write block TYPE INDEX HEX" and
    // "option CMD" lines in order. False when the file cannot be written.
    bool writeState(const QString& path) const;
    QByteArray stateText() const;

private:
    enum class Mode { Idle, Read, Program };

    QByteArray take(char c);
    QByteArray idleByte(char c);
    QByteArray toggleOption(int option);
    QByteArray readBlock(int type, int index);
    void noteModeByte(char c);
    bool optionOn(int option) const;
    QByteArray noise();
    bool keepsNextWrite();

    QByteArray eeprom_;
    QMap<QPair<int, int>, QByteArray> blocks_;
    QList<Write> writes_;
    QList<QByteArray> optionCommands_;
    Mode mode_ = Mode::Idle;
    QByteArray command_;     // a multi-byte command being received
    QByteArray recent_;      // the last idle characters, for the text commands
    bool mute_ = false;
    bool garbage_ = false;
    bool writeAck_ = true;
    int dropWrite_ = 0;
    int writesSeen_ = 0;
    qint64 received_ = 0;
    int eepromReads_ = 0;
    int blockReads_ = 0;
    QList<QPair<int, int>> blocksServed_;
    int stray_ = 0;
    QByteArray idleLog_;
    QRandomGenerator random_{310};
};
