#pragma once
#include "serialport.h"

#include <QByteArray>
#include <QList>
#include <cstdint>

// The Telnet side of a serial server as a client speaks it (RFC 854 and
// RFC 2217, Telnet Com Port Control): option negotiation, the com port
// subnegotiations that set the line, and 0xFF doubled in data.
namespace Telnet {
constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;
constexpr uint8_t kBinary = 0;
constexpr uint8_t kComPortOption = 44;

// RFC 2217's commands from client to server; the server answers each with
// its number plus 100.
namespace ComPort {
constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kPurgeData = 12;
constexpr uint8_t kPurgeReceived = 1;   // PURGE-DATA: the server's buffer of what the device sent
} // namespace ComPort

// IAC, verb, option.
QByteArray Negotiation(uint8_t verb, uint8_t option);
// IAC SB COM-PORT-OPTION command value IAC SE, 0xFF in the value doubled.
QByteArray ComPortCommand(uint8_t command, const QByteArray& value);
// SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for these settings.
QByteArray LineSettingsCommands(const LineSettings& settings);
// Data as it goes on a Telnet connection: every 0xFF doubled.
QByteArray EscapedData(const QByteArray& data);

// What a server sent, taken apart: the data, and the commands between it.
class Decoder {
public:
    struct Command {
        uint8_t verb = 0;          // kWill, kWont, kDo, kDont, or kSb
        uint8_t option = 0;
        QByteArray payload;        // of a subnegotiation, 0xFF undoubled
    };

    // The data in bytes; the commands go to *commands. A command split over
    // two calls is put together.
    QByteArray feed(const QByteArray& bytes, QList<Command>* commands);

    // A subnegotiation longer than this is no server's answer: it is dropped.
    static constexpr int kMaxPayload = 256;

private:
    enum class State { Data, Iac, Verb, SubOption, Sub, SubIac };
    State state_ = State::Data;
    uint8_t verb_ = 0;
    Command sub_;
};
} // namespace Telnet
