#pragma once
#include "dffheader.h"
#include "firmwareimage.h"
#include "serialexchange.h"

#include <QByteArray>
#include <QObject>

class FlashView;
class SerialPort;

// Times of the exchange with the boot loader, in milliseconds. The
// defaults are the protocol's; tests hand the link shorter ones.
struct BootTiming {
    int answerWindowMs = 350;     // longest wait for one answer
    int answerSilenceMs = 25;     // silence that ends an answer
    int prePacketPauseMs = 25;    // pause before each packet
    int rereadPauseMs = 10;       // pause between empty answer windows
    int helloRetryPauseMs = 500;  // pause after an unanswered hello
};
constexpr int kAnswerWindows = 30;       // answer windows per packet
constexpr int kMaxAnswerBytes = 256;     // an answer is a few bytes; more ends the read
constexpr int kHelloAttempts = 10;       // hellos sent while the user resets the unit
constexpr uint8_t kHelloByte = 0xC1;

// How one update ended.
enum class FlashOutcome {
    Flashed,        // every packet acknowledged
    TransferFailed, // a packet was rejected or not answered (message shown)
    Mismatch,       // the unit is another model or chip; the image was erased
    NotReset,       // no boot loader answered
};

// The loader's side of the boot loader exchange on an open port. Every wait
// keeps the event loop running, so callers disable what could start a
// second exchange.
class BootloaderLink : public QObject {
    Q_OBJECT
public:
    BootloaderLink(SerialPort& port, FlashView& view, QObject* parent = nullptr);

    const BootTiming& timing() const { return timing_; }
    void setTiming(const BootTiming& timing) { timing_ = timing; }

    // Writes the bytes one at a time; nothing when the port is closed.
    void SerialSend(const QByteArray& bytes);
    // What arrives in one answer window; empty when nothing came.
    QByteArray ReadResponse();
    // Sends packet + checksum after a short pause: "K", "N" or "" (no answer).
    QByteArray SendPacket(const QByteArray& packet);
    // Program memory (blank chunks skipped), then the present EEPROM bytes.
    bool SendFirmware(const FirmwareImage& image);
    // The whole update of one unit after the user was told to reset it,
    // with every message the user sees at its end.
    FlashOutcome FlashUnit(const DffHeader& header, FirmwareImage& image);

private:
    SerialPort& port_;
    FlashView& view_;
    BootTiming timing_;
    ReplyReader reader_;
};

// The mismatch message's text for a connected unit and a file.
QString MismatchMessage(const QString& connectedModel, const QString& connectedChip,
                        const QString& fileModel, const QString& fileChip);
