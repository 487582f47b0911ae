#pragma once
// The program folder of a fuzz run: a temporary folder, so the error log
// (and any scratch file) of the code under test stays out of the working
// tree. Include it in exactly one file of a fuzz target.
#include "appinfo.h"

#include <QTemporaryDir>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static QTemporaryDir folder;
    App().folder = folder.path();
    return 0;
}
