#include "portservices.h"

#include "serialport.h"

#include <QCoreApplication>

bool PortAvailable(int portNumber, SerialPort& prober)
{
    bool available = false;
    try {
        // Keeps the window painting during a scan of many ports.
        QCoreApplication::processEvents();
        prober.setPortNumber(portNumber);
        // A failed open is the answer; a prober already open elsewhere
        // must not count as this port, nor be closed.
        if (prober.open()) {
            available = prober.isOpen();
            if (available)
                prober.close();
        }
    } catch (...) {
        available = false;
    }
    return available;
}
