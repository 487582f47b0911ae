#include "bootloaderlink.h"

#include "bootanswers.h"
#include "errorlog.h"
#include "flashview.h"
#include "packets.h"
#include "prompter.h"
#include "serialport.h"
#include "wait.h"

#include <QCoreApplication>

namespace {

constexpr const char* kModule = "modFW";
const QByteArray kAccepted("K");
const QByteArray kRejected("N");

QString ResetCountdown(int secondsLeft)
{
    return QStringLiteral("Please reset the unit... (%1 seconds)").arg(secondsLeft);
}

} // namespace

QString MismatchMessage(const QString& connectedModel, const QString& connectedChip,
                        const QString& fileModel, const QString& fileChip)
{
    const QString tabs = QStringLiteral("\t\t");
    return QStringList{
        QStringLiteral("Connected to : "),
        tabs + connectedModel,
        tabs + connectedChip,
        QString(),
        QStringLiteral("Firmware file for : "),
        tabs + fileModel,
        tabs + fileChip,
        QString(),
        QStringLiteral("Please obtain correct firmware for ") + connectedModel + QStringLiteral(" with ")
            + connectedChip + QStringLiteral(" chip."),
        QString(),
        QStringLiteral("Upload aborted."),
    }.join(QStringLiteral("\r\n"));
}

BootloaderLink::BootloaderLink(SerialPort& port, FlashView& view, QObject* parent)
    : QObject(parent), port_(port), view_(view), reader_(port, this)
{
    reader_.setObjectName(QStringLiteral("tmrResponse"));
}

void BootloaderLink::SerialSend(const QByteArray& bytes)
{
    // The boot loader takes its bytes unpaced.
    WritePaced(port_, bytes, Pacing{});
}

QByteArray BootloaderLink::ReadResponse()
{
    ReplyLimits limits;
    limits.silenceMs = timing_.answerSilenceMs;
    limits.boundMs = timing_.answerWindowMs;
    limits.maxBytes = kMaxAnswerBytes;
    return reader_.read(limits);
}

QByteArray BootloaderLink::SendPacket(const QByteArray& packet)
{
    const ProcedureTrap trap("SendPacket", kModule);
    QByteArray answer;
    trap([&] {
        const char checksum = char(PacketChecksum(packet));
        WaitMs(timing_.prePacketPauseMs);
        SerialSend(packet + checksum);
        for (int window = 0; window < kAnswerWindows; ++window) {
            answer = ReadResponse();
            if (ClassifyAnswer(answer) != PacketAnswer::None || !port_.isOpen())
                break;
            WaitMs(timing_.rereadPauseMs);
        }
    });
    switch (ClassifyAnswer(answer)) {
    case PacketAnswer::Rejected:
        return kRejected;
    case PacketAnswer::Accepted:
        return kAccepted;
    case PacketAnswer::None:
        break;
    }
    return {};
}

bool BootloaderLink::SendFirmware(const FirmwareImage& image)
{
    const ProcedureTrap trap("SendFirmware", kModule);
    const QString corrupted = QStringLiteral("Corrupted data received, please reupload the firmware.");
    bool result = true;
    view_.showMessage(QStringLiteral("Flashing firmware..."));
    view_.startProgress(image.CodeEnd);

    for (int i = 0; i < FirmwareImage::kFlashSize - 1 && result; i += kChunkBytes) {
        trap([&] {
            view_.setProgress(qMin(i, int(image.CodeEnd)));
            QCoreApplication::processEvents();
            if (ChunkBlank(image.FlashImage, i))
                return;
            const QByteArray reply = SendPacket(ProgramPacket(image.FlashImage, i));
            if (reply == kAccepted)
                return;
            result = false;
            Prompts().message(reply == kRejected ? corrupted : QStringLiteral("Flash Data Error."),
                              MsgIcon::Critical);
        });
    }
    if (!result)
        return false;

    // A refused byte does not stop the others, but a closed port does: once
    // the line has dropped nothing more can be sent or answered.
    for (int address = 0; address < image.EepromImage.size() && (result || port_.isOpen()); ++address) {
        if (address >= image.EepromPresent.size() || image.EepromPresent[address] == '\0')
            continue;
        trap([&] {
            const QByteArray reply =
                SendPacket(EepromPacket(uint8_t(address), uint8_t(image.EepromImage[address])));
            if (reply == kAccepted)
                return;
            result = false;
            Prompts().message(reply == kRejected ? corrupted : QStringLiteral("Eeprom Data Error."),
                              MsgIcon::Critical);
        });
    }
    return result;
}

FlashOutcome BootloaderLink::FlashUnit(const DffHeader& header, FirmwareImage& image)
{
    const ProcedureTrap trap("FlashUnit", kModule);
    bool found = false;
    bool transferred = false;
    int connectedChip = 0;
    QByteArray late;   // an answer that came after its window, before the next hello
    for (int attempt = 1; attempt <= kHelloAttempts && !found; ++attempt) {
        // Far away (a serial server), the answer to the last hello may come
        // after its window: a hello sent now would reach a boot loader that
        // already takes packets.
        if (late.isEmpty())
            SerialSend(QByteArray(1, char(kHelloByte)));
        const std::optional<BootloaderHello> hello = ParseHelloAnswer(late.isEmpty() ? ReadResponse() : late);
        late.clear();
        if (hello) {
            found = true;
            connectedChip = hello->chipCode;
            const QString connectedModel = ModelName(hello->modelCode);
            if (connectedChip != header.ChipId || header.trimmedUnitId() != connectedModel) {
                Prompts().message(MismatchMessage(connectedModel, ChipName(connectedChip),
                                                  header.trimmedUnitId(), ChipName(header.ChipId)),
                                  MsgIcon::Critical, MsgButtons::Ok,
                                  QStringLiteral("Incorrect DFF file for connected unit."));
                image.erase();
                return FlashOutcome::Mismatch;
            }
            trap([&] { transferred = SendFirmware(image); });
        } else {
            WaitMs(timing_.helloRetryPauseMs);
            if (port_.isOpen() && port_.bytesAvailable() > 0)
                late = ReadResponse();
            view_.showMessage(ResetCountdown(kHelloAttempts - attempt));
        }
    }

    if (transferred) {
        Prompts().message(ChipName(connectedChip) + QStringLiteral(" flashed with firmware v")
                              + header.versionText() + QStringLiteral(" successfully."),
                          MsgIcon::Information);
        return FlashOutcome::Flashed;
    }
    if (found)
        return FlashOutcome::TransferFailed;
    const QString model = header.trimmedUnitId();
    Prompts().message(model + QStringLiteral(" was not reset in time or connected unit is not a ") + model
                          + QStringLiteral(" (wrong baud rate)"),
                      MsgIcon::Information);
    return FlashOutcome::NotReset;
}
