// The window prompter in a process without a GUI: the dialog cannot be
// shown, and the dialog services report that instead of a cancel.
#include "dialogs.h"
#include "widgetprompter.h"

#include <QTest>

class TestWidgetPrompterNoGui : public QObject {
    Q_OBJECT
private slots:
    void dialogWithoutGuiReportsAnError()
    {
        WidgetPrompter prompter;
        SetPrompter(&prompter);
        DialogParams p;
        p.fileName = QStringLiteral("/a/b.dtd");
        QVERIFY(!OpenDialog(p));
        SetPrompter(nullptr);
        QCOMPARE(LastDialogResult(), 0);
        QVERIFY(LastDialogError() != 0u);
        QCOMPARE(p.fileName, QString());
        QCOMPARE(p.filterIndex, -1);
    }
};

QTEST_GUILESS_MAIN(TestWidgetPrompterNoGui)
#include "tst_widgetprompter_nogui.moc"
