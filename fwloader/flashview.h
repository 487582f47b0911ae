#pragma once
#include <QString>

// What a firmware transfer shows while it runs: the loader window's
// message label and progress bar, or the command-line tool's stderr.
class FlashView {
public:
    virtual ~FlashView() = default;
    virtual void showMessage(const QString& text) = 0;
    // A bar running from 0 to maximum, shown empty.
    virtual void startProgress(int maximum) = 0;
    virtual void setProgress(int value) = 0;
};
