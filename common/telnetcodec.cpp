#include "telnetcodec.h"

namespace Telnet {

QByteArray Negotiation(uint8_t verb, uint8_t option)
{
    return QByteArray() + char(kIac) + char(verb) + char(option);
}

QByteArray EscapedData(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size());
    for (const char c : data) {
        out += c;
        if (uint8_t(c) == kIac)
            out += c;
    }
    return out;
}

QByteArray ComPortCommand(uint8_t command, const QByteArray& value)
{
    return QByteArray() + char(kIac) + char(kSb) + char(kComPortOption) + char(command) + EscapedData(value)
        + char(kIac) + char(kSe);
}

QByteArray LineSettingsCommands(const LineSettings& settings)
{
    const quint32 baud = quint32(settings.baud);
    const QByteArray rate = QByteArray() + char(baud >> 24) + char(baud >> 16) + char(baud >> 8) + char(baud);
    // RFC 2217's values: parity 1 none, 2 odd, 3 even, 4 mark, 5 space;
    // stop size 1 one, 2 two, 3 one and a half.
    uint8_t parity = 1;
    switch (settings.parity) {
    case 'o': parity = 2; break;
    case 'e': parity = 3; break;
    case 'm': parity = 4; break;
    case 's': parity = 5; break;
    default: break;
    }
    const uint8_t stop = settings.stopBits == 2 ? 2 : settings.stopBits == 1.5 ? 3 : 1;
    return ComPortCommand(ComPort::kSetBaudRate, rate)
        + ComPortCommand(ComPort::kSetDataSize, QByteArray(1, char(settings.dataBits)))
        + ComPortCommand(ComPort::kSetParity, QByteArray(1, char(parity)))
        + ComPortCommand(ComPort::kSetStopSize, QByteArray(1, char(stop)));
}

QByteArray Decoder::feed(const QByteArray& bytes, QList<Command>* commands)
{
    QByteArray data;
    for (const char c : bytes) {
        const uint8_t b = uint8_t(c);
        switch (state_) {
        case State::Data:
            if (b == kIac)
                state_ = State::Iac;
            else
                data += c;
            break;
        case State::Iac:
            if (b == kIac) {
                data += c;   // a doubled 0xFF is one data byte
                state_ = State::Data;
            } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
                verb_ = b;
                state_ = State::Verb;
            } else if (b == kSb) {
                state_ = State::SubOption;
            } else {
                state_ = State::Data;   // NOP, GA and the others carry nothing for us
            }
            break;
        case State::Verb:
            commands->append({verb_, b, QByteArray()});
            state_ = State::Data;
            break;
        case State::SubOption:
            sub_ = {kSb, b, QByteArray()};
            state_ = State::Sub;
            break;
        case State::Sub:
            if (b == kIac)
                state_ = State::SubIac;
            else if (sub_.payload.size() < kMaxPayload)
                sub_.payload += c;
            break;
        case State::SubIac:
            if (b == kSe) {
                if (sub_.payload.size() < kMaxPayload)
                    commands->append(sub_);
                state_ = State::Data;
            } else {
                if (b == kIac && sub_.payload.size() < kMaxPayload)
                    sub_.payload += c;
                state_ = State::Sub;
            }
            break;
        }
    }
    return data;
}

} // namespace Telnet
