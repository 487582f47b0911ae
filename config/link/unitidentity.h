#pragma once
#include <QString>
#include <cstdint>

// What a read of the unit's EEPROM tells about the unit itself. Not part of
// the configuration and never saved.
struct UnitIdentity {
    bool known = false;            // an EEPROM image has been read from this unit
    int HardwareCode = 0;          // bits 5-7 of EEPROM byte 253
    int firmwareVersion = 0;       // bits 0-4 of EEPROM byte 253
    bool PowerFailDetected = false;
    uint8_t PowerStatusByte = 0;   // EEPROM byte 247 with bit 7 cleared
};

// FLASH write block size by hardware: 8 bytes for code 6, else 4.
int WriteBlockSize(int hardwareCode);

// The "unitid" panel text: "Firmware: v6 ".
QString FirmwareText(int version);
