#pragma once
#include <QByteArray>
#include <array>
#include <cstdint>

// The configuration of one unit: everything its EEPROM and FLASH hold that
// the program edits, loads, saves and transfers. Byte strings hold one char
// per byte (0..255).
constexpr int kSlotCount = 20;      // sequence slots and ASCII strings
constexpr int kOptionCount = 12;    // option bits of Settings
constexpr int kMaxSeqBytes = 48;    // encoded actions of one slot
constexpr int kMaxLabelLen = 3;
constexpr int kMaxAsciiRaw = 31;    // raw bytes of an ASCII string on the unit

// The 20 ASCII strings in their flag-code text form.
using AsciiStringList = std::array<QByteArray, kSlotCount>;

struct UnitConfig {
    std::array<uint8_t, kSlotCount> SeqStartAddrHB{};
    std::array<uint8_t, kSlotCount> SeqStartAddrLB{};
    std::array<uint8_t, kSlotCount> SeqContentsLen{};   // number of actions
    std::array<QByteArray, kSlotCount> SeqContents;     // encoded actions
    std::array<uint8_t, kSlotCount> SeqLabelLen{};      // 0..3
    std::array<uint8_t, kSlotCount> SeqLabelNum{};      // 0..63, carried as read
    std::array<QByteArray, kSlotCount> SeqLabel;        // upper case; empty = disabled
    AsciiStringList ASCIIStrings;                       // flag-code text form
    uint8_t ASCIIFlagChar = '\\';
    QByteArray PassWord = QByteArray(4, ' ');           // fixed 4 characters
    uint8_t Rings = 0;
    uint8_t PrefixChar = 0;
    double DTMFOutDur = 0;                              // 50 ms steps
    uint8_t InactivityDur = 0;
    uint8_t DisconnectInfo = 0;                         // bit 7 enabled, bits 0-6 slot
    uint8_t ExtStatInfo = 0;
    uint8_t PWRONInfo = 0;
    std::array<uint8_t, 2> Settings{};                  // twelve active-low option bits

    bool operator==(const UnitConfig&) const = default;
};

// The twelve options by number: option k is bit k of Settings(0) for k
// below 8, else bit k - 8 of Settings(1).
namespace UnitOption {
enum : int {
    SimpleMode = 0,      // "Simple mode"
    CrLf = 1,            // "CR/LF" after each DTMF tone
    InactivityTimer = 2, // "Inact Tmr"
    AutoHangUp = 3,      // "Auto-HangUp"
    AutoAnswer = 4,      // "Auto-Ans"
    Feedback = 5,        // "Feedback": the unit answers option commands
    PasswordCheck = 6,   // "PW Check"
    Reserved7 = 7,
    Reserved8 = 8,
    SerialToDtmf = 9,    // "Ser2DTMF": serial characters become DTMF tones
    DtmfToSerial = 10,   // "DTMF2Ser"
    SerialEcho = 11,     // "Ser Echo": serial data comes back
};
} // namespace UnitOption

// Option k is on when its bit is 0 (active low).
bool OptionOn(const UnitConfig& config, int option);
void SetOptionOn(UnitConfig& config, int option, bool on);

// Info bytes: bit 7 says the event runs a sequence, bits 0-6 hold its slot.
bool InfoEnabled(uint8_t info);
int InfoSlot(uint8_t info);
uint8_t WithInfoEnabled(uint8_t info, bool enabled);
uint8_t WithInfoSlot(uint8_t info, int slot);

// Label header byte as the unit stores it: length in bits 6-7, number in
// 0-5. A length above 3 does not fit: RuntimeError::overflow().
uint8_t LabelHeader(uint8_t labelLen, uint8_t labelNum);

// The label's EEPROM text field: upper case, reversed, padded to three
// bytes with 0xFF; and back from the field and the header's length.
QByteArray LabelFieldBytes(const QByteArray& label);
QByteArray LabelFromField(const QByteArray& field, int labelLen);
uint8_t LabelLenOfHeader(uint8_t header);
uint8_t LabelNumOfHeader(uint8_t header);

// The DTMF output duration shown as seconds, "0.00" .. "12.75".
QByteArray DTMFOutDurText(double steps);
// The duration as the whole 50 ms steps the unit and the data file hold:
// halves to the even neighbour, 0 .. 255.
uint8_t DurationSteps(double steps);
