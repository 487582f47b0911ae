#include "programconfig.h"

UnitConfig& Config()
{
    static UnitConfig config;
    return config;
}
