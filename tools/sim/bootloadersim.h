#pragma once
// Built into the library kv_bootsim (defined in fwloader/CMakeLists.txt);
// link it with kv310-sim for the --bootloader mode.
#include <QByteArray>
#include <QElapsedTimer>
#include <QMap>
#include <QString>
#include <cstdint>

// The unit's serial boot loader as the firmware loader meets it. The host
// feeds it every byte the loader sends and writes back what onBytes returns
// (at the line's baud rate; the replies carry no delay of their own).
//
// After construction the unit runs its application and ignores the loader:
// reset() is the simulated reset that opens the hello window. The loader's
// hello byte 0xC1 is answered with UnitInfo followed by "K"; from then on the
// bytes are packets (program memory: word address high, low, 0x40, 64 data
// bytes, checksum; EEPROM: 0x40, address, 0x01, byte, checksum), each
// answered "K" when whole and its checksum right, else "N".
class BootloaderSim {
public:
    static constexpr int kFlashBytes = 16192;   // program words 0x0000-0x1F9F
    static constexpr uint8_t kHello = 0xC1;

    explicit BootloaderSim(uint8_t unitInfo);

    void reset();
    QByteArray onBytes(const QByteArray& in);

    // Fault switches; packets are counted from 1 since the last reset.
    void nakAtPacket(int n);        // packet n is answered "N" and not written
    void silentAfterPacket(int n);  // packets after the n-th get no answer
    void lateReset(int ms);         // after reset() the hello is ignored this long

    bool listening() const;         // the hello window is open (after any late delay)
    bool identified() const { return state_ == State::Loading; }
    int packetsReceived() const { return packets_; }

    // What the loader wrote: program memory (0xFF where not written) and
    // the EEPROM bytes by address.
    const QByteArray& flash() const { return flash_; }
    QMap<int, uint8_t> eeprom() const { return eeprom_; }
    // Dumps flash then the EEPROM as "address=value" lines; false on I/O failure.
    bool writeImage(const QString& path) const;

private:
    enum class State { Application, AwaitHello, Loading };

    QByteArray takePacket();
    char acceptPacket(const QByteArray& packet);

    uint8_t unitInfo_;
    State state_ = State::Application;
    QElapsedTimer sinceReset_;
    int lateResetMs_ = 0;
    int nakAt_ = 0;
    int silentAfter_ = 0;
    int packets_ = 0;
    QByteArray pending_;
    QByteArray flash_;
    QMap<int, uint8_t> eeprom_;
};
