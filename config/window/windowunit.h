#pragma once
#include <memory>

class SerialPort;
class TracingSerialPort;
class UnitLink;
class WindowLinkView;
class frmMain;

// The unit's side of the main window: the unit's serial port and the port
// scanner (QSerialPort backends owned here unless given), the unit's port as
// the link uses it (traced for the traffic log), and the one unit link,
// which reaches the window through its link view.
struct WindowUnit {
    WindowUnit(frmMain& window, SerialPort* port, SerialPort* scanner);
    ~WindowUnit();

private:
    // First, so that they outlive what uses them.
    std::unique_ptr<SerialPort> ownedPort_;
    std::unique_ptr<SerialPort> ownedScanner_;

public:
    SerialPort* port = nullptr;
    SerialPort* scanner = nullptr;
    std::unique_ptr<TracingSerialPort> traced;
    std::unique_ptr<WindowLinkView> view;
    std::unique_ptr<UnitLink> link;
};
