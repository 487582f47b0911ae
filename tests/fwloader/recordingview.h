#pragma once
// A FlashView that remembers what a transfer showed.
#include "flashview.h"

#include <QStringList>

class RecordingView : public FlashView {
public:
    QStringList messages;
    int maximum = -1;
    QList<int> progress;

    void showMessage(const QString& text) override { messages.append(text); }
    void startProgress(int max) override
    {
        maximum = max;
        progress.clear();
    }
    void setProgress(int value) override { progress.append(value); }
};
