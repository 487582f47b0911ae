#include "progressbar.h"

#include <QPainter>
#include <algorithm>

ProgressBar::ProgressBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picProgress"));
    setMinimumWidth(60);
}

void ProgressBar::showProgress(int value, int maximum)
{
    if (maximum == 0) {
        value_ = 0;
        maximum_ = 0;
    } else {
        if (maximum > 0)
            maximum_ = maximum;
        value_ = value;
    }
    repaint();
}

int ProgressBar::barWidth() const
{
    if (maximum_ <= 0)
        return 0;
    const int v = std::clamp(value_, 0, maximum_);
    return int(qint64(width()) * v / maximum_);
}

void ProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(QRect(0, 0, barWidth(), height()), QColor(255, 0, 0));
}
