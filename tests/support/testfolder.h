#pragma once
#include "appinfo.h"

#include <QTemporaryDir>

// A fresh program folder for one test: App() points at a temporary folder
// (title KV-310 v1.1.24) for the life of the object, and back afterwards.
class TestProgramFolder {
public:
    TestProgramFolder()
        : saved_(App())
    {
        App().title = QStringLiteral("KV-310");
        App().major = 1;
        App().minor = 1;
        App().revision = 24;
        App().company = QStringLiteral("Norrvale");
        App().folder = dir_.path();
    }
    ~TestProgramFolder() { App() = saved_; }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    AppInfo saved_;
    QTemporaryDir dir_;
};
