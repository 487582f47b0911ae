#pragma once
#include "transferresult.h"

#include <QString>

class SerialLink;
struct PlannedWrite;
struct UploadPlan;

// Sends an upload's plan (uploadplan.h), exactly its writes: the EEPROM
// ones in one program mode session, then the FLASH ones in another (each
// session of the plan's scope is held, written or not, as the unit expects).
// Stops at the first write, or the first entry into program mode, that the
// unit does not confirm, or that raises an error; failure() names it.
class UnitWriter {
public:
    explicit UnitWriter(SerialLink& link) : link_(link) {}

    TransferResult write(const UploadPlan& plan);
    const QString& failure() const { return failure_; }

private:
    // One session: "jpm", the writes of one memory, 0xF0.
    TransferResult writeSession(const UploadPlan& plan, bool eeprom);
    bool send(const PlannedWrite& write);
    TransferResult fail(TransferResult result, const QString& what);

    SerialLink& link_;
    QString failure_;
};
