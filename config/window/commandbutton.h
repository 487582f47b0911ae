#pragma once
#include <QMouseEvent>
#include <QPushButton>

// A button that starts a unit command. A double click is one click: its
// second press must not start the command again once the first has ended
// (a quick unit) or turn Connect into Disconnect.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
};
