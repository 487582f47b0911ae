#pragma once
#include <QObject>

class QTreeWidget;

// Shows the whole text of a list cell that its column cuts short, as the
// tool tip of that cell; other cells keep the list's own tool tip. The
// sequence lines rarely fit any column: this is how they are read whole.
class WholeLineTips : public QObject {
    Q_OBJECT
public:
    // Watches the list's viewport; parented to the list.
    static void install(QTreeWidget* list);

    // The cell's text when the column cuts it short, else empty.
    static QString cutText(const QTreeWidget* list, const QPoint& viewportPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WholeLineTips(QTreeWidget* list);
    QTreeWidget* list_;
};
