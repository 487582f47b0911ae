#pragma once
#include "datafile.h"
#include "fakeserialport.h"
#include "filebytes.h"
#include "celleditor.h"
#include "dtmfstringlist.h"
#include "mainwindow.h"
#include "sequencelists.h"
#include "settingspanel.h"
#include "statuspanels.h"
#include "terminalpane.h"
#include "scriptedprompter.h"
#include "status.h"
#include "testfolder.h"
#include "textforms.h"
#include "unitconfig.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

// One main window as a user meets it: a fresh program folder, every
// question answered by script, and in-memory ports (the unit's port and
// the port scanner, which finds no ports unless told otherwise).
struct WindowFixture {
    TestProgramFolder folder;
    ScriptedPrompter prompter;
    FakeSerialPort port;
    FakeSerialPort scanner;
    std::unique_ptr<frmMain> window;
    LinkTiming linkTiming;   // the window's link times (the protocol's unless a test shortens them)

    WindowFixture()
    {
        ResetProgramState();
        scanner.setOpenError(SerialError::NotFound);
    }
    ~WindowFixture() { window.reset(); }

    // Builds the window and runs its load steps; unitPort replaces the
    // in-memory port of the unit.
    frmMain& start(SerialPort* unitPort = nullptr)
    {
        window = std::make_unique<frmMain>(unitPort ? unitPort : &port, &scanner);
        window->unitLink().link().setTiming(linkTiming);
        window->Form_Load();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("main window not active");
        return *window;
    }

    template <class W = QWidget>
    W* find(const QString& name) const
    {
        W* w = window->findChild<W*>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }

    QTreeWidget* list(int index) const { return find<QTreeWidget>(QStringLiteral("lstSequences_%1").arg(index)); }
    QString cell(int listIndex, int row, int column) const
    {
        return list(listIndex)->topLevelItem(row - 1)->text(column - 1);
    }

    QString ini(const QString& key) const
    {
        QFile f(folder.file(QStringLiteral("Locals.ini")));
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QByteArray l = line.trimmed();
            if (l.startsWith(key.toLatin1() + '='))
                return QString::fromLatin1(l.mid(key.size() + 1));
        }
        return QString();
    }

    void writeIni(const QByteArray& text) const
    {
        QFile f(folder.file(QStringLiteral("Locals.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    // The program-wide state a run starts with.
    static void ResetProgramState()
    {
        Config() = UnitConfig{};
        Config().ASCIIFlagChar = '\\';
        SetCurrentFile(QString());
        SetStatusSink({});
    }
};
