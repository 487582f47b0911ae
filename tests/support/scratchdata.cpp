// Compiled into every test program. Run by hand, outside CTest (which gives
// each entry a data folder of its own), a test would leave what the
// programs keep in the user's data folder (upload backups, the default data
// file) in the developer's own: it goes to the build's test-data instead.
#include <QByteArray>

namespace {
void UseTheBuildsDataFolder()
{
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME"))
        qputenv("XDG_DATA_HOME", QByteArray(KV_TEST_DATA_DIR "/by-hand"));
}
Q_CONSTRUCTOR_FUNCTION(UseTheBuildsDataFolder)
} // namespace
