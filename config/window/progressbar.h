#pragma once
#include <QWidget>

// The transfer progress bar in the status bar's "progress" panel: a red bar
// from the left edge, as long as value is of the maximum.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    // maximum > 0 starts a new scale, < 0 keeps the current one, 0 clears.
    void showProgress(int value, int maximum);
    int value() const { return value_; }
    int maximum() const { return maximum_; }
    // Width of the red bar in pixels.
    int barWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int value_ = 0;
    int maximum_ = 0;
};
