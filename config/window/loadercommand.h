#pragma once
#include <QString>

// The firmware loader's command line, as Update Firmware starts it: the
// loader beside this program first (a build or portable folder keeps the
// two together), then the one on the PATH. Neither: the command names the
// one beside, and running it tells the user that it is missing.
QString FirmwareLoaderCommand();
