#pragma once

class SerialPort;

// True when port number portNumber can be opened now. Uses prober (never
// the port a unit is connected on): lets pending events run, sets the
// number, opens, reads the open state, closes again. Any failure is simply
// "not available".
bool PortAvailable(int portNumber, SerialPort& prober);
