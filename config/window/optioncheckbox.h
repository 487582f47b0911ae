#pragma once
#include <QCheckBox>
#include <QMouseEvent>

// An option box of the settings panel. It reports the mouse going down and
// coming up around the click, so the panel can put the box back: the box
// follows the unit's reply, not the mouse.
class OptionCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

signals:
    void mouseWentDown(int state);   // Qt::CheckState before the click
    void mouseWentUp();              // after the click has been handled

protected:
    // Grey is the program's "unknown" (silent mode); the user only ticks and unticks.
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        emit mouseWentDown(int(checkState()));
        QCheckBox::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QCheckBox::mouseReleaseEvent(e);
        emit mouseWentUp();
    }
};
