#include "windowunit.h"

#include "anyserialport.h"
#include "programconfig.h"
#include "qtserialport.h"
#include "tracingserialport.h"
#include "unitlink.h"
#include "windowlinkview.h"

WindowUnit::WindowUnit(frmMain& window, SerialPort* port, SerialPort* scanner)
{
    if (!port) {
        ownedPort_ = std::make_unique<AnySerialPort>();
        port = ownedPort_.get();
    }
    if (!scanner) {
        ownedScanner_ = std::make_unique<QtSerialPort>();
        scanner = ownedScanner_.get();
    }
    this->port = port;
    this->scanner = scanner;
    traced = std::make_unique<TracingSerialPort>(port);
    view = std::make_unique<WindowLinkView>(window);
    link = std::make_unique<UnitLink>(traced.get(), Config(), view.get());
}

WindowUnit::~WindowUnit() = default;
