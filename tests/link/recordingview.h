#pragma once
#include "linkview.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// A LinkView that remembers what the link told it.
class RecordingView : public LinkView {
public:
    QByteArray terminal;
    QStringList timedOut;
    QStringList unitIds;
    QList<bool> displays;        // settingsOnly of each displayData
    QList<bool> changedMarks;
    QList<QPair<bool, bool>> controlStates;
    int drops = 0;
    int barSteps = 0;
    bool verifyAnswer = true;
    bool saveAnswer = true;
    bool confirmAnswer = true;
    QList<QStringList> previews;   // the changes of each upload asked about
    QStringList mismatch;

    void updateBar(int, int maximum) override { barSteps += maximum == -1; }
    void showUnitId(const QString& text) override { unitIds << text; }
    void displayData(bool settingsOnly) override { displays << settingsOnly; }
    void controlState(bool enabled, bool all) override { controlStates.append({enabled, all}); }
    void markChanged(bool changed) override { changedMarks << changed; }
    void terminalReceived(const QByteArray& bytes) override { terminal += bytes; }
    void optionRequestTimedOut(const QString& request) override { timedOut << request; }
    bool verifyForUpload() override { return verifyAnswer; }
    bool askSaveChanges() override { return saveAnswer; }
    bool confirmUpload(const QStringList& changes) override
    {
        previews << changes;
        return confirmAnswer;
    }
    void uploadMismatch(const QStringList& differences) override { mismatch = differences; }
    void lineDropped() override { ++drops; }
};
