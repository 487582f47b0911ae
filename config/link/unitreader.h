#pragma once
#include "transferresult.h"
#include "unitidentity.h"
#include "unitmemory.h"

#include <QByteArray>
#include <QString>

#include <optional>

class SerialLink;

// Reads the unit's memories byte for byte: the EEPROM image in one reply,
// then the 20 sequence and 20 ASCII string blocks one by one. Every reply
// is checked against the form its request asks for, and what is left over
// from an earlier exchange is dropped before each request; a reply that
// does not fit ends the read with failure() naming it. Reads only: a power
// failure the unit reports is told to the user and left in the identity for
// the caller to acknowledge. Progress and outcomes go to the status line and
// the view's progress bar.
class UnitReader {
public:
    UnitReader(SerialLink& link, UnitIdentity& identity) : link_(link), identity_(identity) {}

    // The EEPROM image into memory (the identity and power status into the
    // identity); settingsOnly only changes what the status line says.
    // Memory is untouched unless the result is Ok.
    TransferResult DownloadEEPROM(UnitMemory& memory, bool settingsOnly);
    // Every FLASH block into memory; memory.flashRead only when all came.
    TransferResult DownloadFLASH(UnitMemory& memory);
    // These blocks only, each by its own request, in one read mode session
    // (an upload reads back what it wrote); memory is untouched unless all came.
    TransferResult DownloadBlocks(UnitMemory& memory, const QList<FlashBlock>& blocks);
    // Clears the power failure the last EEPROM read reported, as the
    // unit asks: the one write that follows a download or a connect.
    TransferResult acknowledgePowerFailure();

    // What failed, for a status line: "the reply to sequence #03 (...)".
    const QString& failure() const { return failure_; }

    // A block request answered with nothing is asked again this many times
    // before the read gives up.
    static constexpr int kMaxEmptyRepeats = 3;

private:
    // One block's request and its reply in its form, asking again (after
    // re-entering read mode) while nothing comes.
    TransferResult readBlock(const FlashBlock& block, UnitMemory& into);
    TransferResult requestBlock(char type, int index, QByteArray* reply, const QString& name);
    // The bytes of a reply in its form into *into; else the read fails
    // naming the reply and why it does not fit.
    TransferResult take(const std::optional<QByteArray>& framed, const QString& name, const QString& why,
                        QByteArray* into);
    TransferResult fail(TransferResult result, const QString& what);
    QString readVerb() const;   // "Comparing" / "Downloading"
    QString doneNoun() const;   // "compare" / "download"

    SerialLink& link_;
    UnitIdentity& identity_;
    QString failure_;
    QString lastTaken_;   // the reply taken last in a read mode session
};
