#include "wait.h"

#include <QEventLoop>
#include <QTimer>

#include <cmath>

void WaitMs(double milliseconds)
{
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(int(std::ceil(qMax(0.0, milliseconds))));
    loop.exec();
}
