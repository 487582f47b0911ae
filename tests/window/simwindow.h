#pragma once
#include "windowfixture.h"

#include "qtserialport.h"
#include "shorttiming.h"
#include "simprocess.h"

#include <QLineEdit>

// The window on the real serial backend, Com1 pointing at kv310-sim
// (started with --unpaced and the given options).
struct SimWindow : WindowFixture {
    SimProcess sim{1};
    QtSerialPort serial;
    explicit SimWindow(QList<MsgAnswer> answers = {}, const QStringList& simOptions = {})
    {
        scanner.setOpenError(SerialError::None);
        scanner.setPresentPorts({1});
        prompter.answers = answers;
        linkTiming = PtyLinkTiming();
        if (sim.start(QStringList{QStringLiteral("--unpaced")} + simOptions))
            start(&serial);
    }
};

// Types text into ASCII string row `row` of the window, as a user would.
inline void EditString(WindowFixture& f, int row, const QString& text)
{
    f.window->panels().cells->startCellEdit(f.list(1), row, 2);
    f.find<QLineEdit>(QStringLiteral("txtCell"))->setText(text);
    f.window->panels().cells->ProcessCell(true);
}
