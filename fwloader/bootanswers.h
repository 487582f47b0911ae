#pragma once
#include <QByteArray>
#include <optional>

// What the boot loader's answers mean, apart from how they are read.

// The answer to one packet: a rejection wins over an acceptance, either
// letter in either case anywhere in the answer.
enum class PacketAnswer { Accepted, Rejected, None };
PacketAnswer ClassifyAnswer(const QByteArray& answer);

// The answer to the hello byte: the unit information byte and a "K".
struct BootloaderHello {
    int modelCode; // high nibble of the unit information byte
    int chipCode;  // low nibble
};
std::optional<BootloaderHello> ParseHelloAnswer(const QByteArray& answer);
