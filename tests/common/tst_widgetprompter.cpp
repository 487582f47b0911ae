// The window prompter with real message boxes and file dialogs, offscreen:
// a timer plays the user on whatever modal window comes up.
#include "testfolder.h"
#include "widgetprompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

constexpr int kPollMs = 10;
constexpr int kGiveUpMs = 2000;

// Runs act on the next modal window to appear (the dialog under test).
void WhenModal(std::function<void(QWidget*)> act, QWidget* besides = nullptr)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, besides] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == besides)
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
        // A check that failed inside act may have left the window up:
        // close it so the test reports instead of hanging.
        QTimer::singleShot(kGiveUpMs, modal, [modal] {
            if (modal->isVisible())
                modal->close();
        });
    });
    poll->start(kPollMs);
}

// Types a name into the dialog's name box, as the user would (selectFile
// is not reliable in a save dialog whose folder is still loading).
void TypeFileName(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, name);
}

void Touch(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestWidgetPrompter : public QObject {
    Q_OBJECT
private slots:
    void messageBoxShowsIconTextAndTitle()
    {
        TestProgramFolder folder;
        WidgetPrompter widgets;
        Prompter& prompter = widgets;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text;
        int buttons = 0;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            icon = box->icon();
            title = box->windowTitle();
            text = box->text();
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
        });
        const MsgAnswer a = prompter.message(QStringLiteral("Unable to upload, unit is not responding."),
                                             MsgIcon::Critical);
        QCOMPARE(a, MsgAnswer::Ok);
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(title, QStringLiteral("KV-310"));
        QCOMPARE(text, QStringLiteral("Unable to upload, unit is not responding."));
        QCOMPARE(buttons, 1);

        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            title = box->windowTitle();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        prompter.message(QStringLiteral("x"), MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Own title"));
        QCOMPARE(title, QStringLiteral("Own title"));
        QCOMPARE(icon, QMessageBox::Warning);
    }

    void questionsAnswerWithTheButtonClicked()
    {
        WidgetPrompter widgets;
        Prompter& prompter = widgets;
        WhenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
        QCOMPARE(prompter.message(QStringLiteral("Save changes?"), MsgIcon::Question, MsgButtons::YesNoCancel),
                 MsgAnswer::No);
        WhenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
        QCOMPARE(prompter.message(QStringLiteral("Sure?"), MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::Yes);
        // Escape: Cancel with three buttons, No with two.
        WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(prompter.message(QStringLiteral("Save changes?"), MsgIcon::Question, MsgButtons::YesNoCancel),
                 MsgAnswer::Cancel);
        WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(prompter.message(QStringLiteral("Sure?"), MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::No);
    }

    void openDialogStartsInTheFolderWithTheFilters()
    {
        QTemporaryDir dir;
        Touch(dir.filePath(QStringLiteral("unit.dff")));
        Touch(dir.filePath(QStringLiteral("notes")));
        WidgetPrompter widgets;
        Prompter& prompter = widgets;
        FileDialogRequest r;
        r.kind = FileDialogRequest::Kind::Open;
        r.title = QStringLiteral("Load Norrvale Firmware File");
        r.startFolder = dir.path();
        r.filters = {QStringLiteral("Norrvale Firmware Files (*.dff)"), QStringLiteral("All Files (*.*)")};
        r.patterns = {QStringLiteral("*.dff"), QStringLiteral("*.*")};
        r.filterIndex = 1;
        r.fileMustExist = true;

        QStringList filters;
        QString shownFilter, folder, title;
        WhenModal([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            QVERIFY(d);
            filters = d->nameFilters();
            shownFilter = d->selectedNameFilter();
            folder = d->directory().absolutePath();
            title = d->windowTitle();
            d->selectNameFilter(filters.value(1));
            TypeFileName(d, QStringLiteral("notes"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QVERIFY(prompter.fileDialog(r));
        QCOMPARE(filters, (QStringList{QStringLiteral("Norrvale Firmware Files (*.dff)"), QStringLiteral("All Files (*)")}));
        QCOMPARE(shownFilter, filters.value(0));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(title, QStringLiteral("Load Norrvale Firmware File"));
        QCOMPARE(r.chosen, QStringList{QDir::toNativeSeparators(dir.filePath(QStringLiteral("notes")))});
        QCOMPARE(r.filterIndex, 2);
    }

    void cancelledDialogChoosesNothing()
    {
        WidgetPrompter widgets;
        Prompter& prompter = widgets;
        FileDialogRequest r;
        r.kind = FileDialogRequest::Kind::Open;
        WhenModal([](QWidget* w) { qobject_cast<QFileDialog*>(w)->reject(); });
        QVERIFY(!prompter.fileDialog(r));
        QVERIFY(r.chosen.isEmpty());
        QCOMPARE(r.errorCode, 0u);
    }

    void saveDialogAddsTheExtensionAndAsksBeforeOverwriting()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath(QStringLiteral("site.dtd"));
        Touch(existing);
        WidgetPrompter widgets;
        Prompter& prompter = widgets;
        FileDialogRequest r;
        r.kind = FileDialogRequest::Kind::Save;
        r.initialName = dir.filePath(QStringLiteral("New.dtd"));
        r.defaultExtension = QStringLiteral("dtd");
        r.filters = {QStringLiteral("KV-310 Data Files (*.dtd)")};
        r.patterns = {QStringLiteral("*.dtd")};
        QString folder;
        WhenModal([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            folder = d->directory().absolutePath();
            // Without an extension.
            TypeFileName(d, QStringLiteral("fresh"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QVERIFY(prompter.fileDialog(r));
        // No start folder: the initial name's folder.
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(r.chosen, QStringList{QDir::toNativeSeparators(dir.filePath(QStringLiteral("fresh.dtd")))});

        // Choosing an existing file brings up the overwrite question.
        r.overwritePrompt = true;
        r.chosen.clear();
        bool asked = false;
        WhenModal([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            WhenModal([&](QWidget* q) {
                auto* box = qobject_cast<QMessageBox*>(q);
                QVERIFY(box);
                asked = true;
                box->button(QMessageBox::Yes)->click();
            }, d);
            TypeFileName(d, QStringLiteral("site.dtd"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QVERIFY(prompter.fileDialog(r));
        QVERIFY(asked);
        QCOMPARE(r.chosen, QStringList{QDir::toNativeSeparators(existing)});
    }

    void saveDialogAddsTheExtensionToANameWithADot()
    {
        QTemporaryDir dir;
        WidgetPrompter widgets;
        Prompter& prompter = widgets;
        FileDialogRequest r;
        r.kind = FileDialogRequest::Kind::Save;
        r.startFolder = dir.path();
        r.initialName = dir.filePath(QStringLiteral("KV310 Firmware v3.7"));
        r.defaultExtension = QStringLiteral("dff");
        r.overwritePrompt = true;
        r.filters = {QStringLiteral("KV310 Firmware Files (*.dff)"), QStringLiteral("All Files (*.*)")};
        r.patterns = {QStringLiteral("*.dff"), QStringLiteral("*.*")};
        // The proposed name taken as it is.
        WhenModal([](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            TypeFileName(d, QStringLiteral("KV310 Firmware v3.7"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QVERIFY(prompter.fileDialog(r));
        const QString wanted = dir.filePath(QStringLiteral("KV310 Firmware v3.7.dff"));
        QCOMPARE(r.chosen, QStringList{QDir::toNativeSeparators(wanted)});

        // The overwrite question is about the file with the extension.
        Touch(wanted);
        r.chosen.clear();
        QString question;
        WhenModal([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            WhenModal([&](QWidget* q) {
                auto* box = qobject_cast<QMessageBox*>(q);
                QVERIFY(box);
                question = box->text();
                box->button(QMessageBox::No)->click();
            }, d);
            TypeFileName(d, QStringLiteral("KV310 Firmware v3.7"));
            QMetaObject::invokeMethod(d, "accept");
            QTimer::singleShot(300, d, &QFileDialog::reject);   // No keeps the dialog up
        });
        const bool chosen = prompter.fileDialog(r);
        QVERIFY2(!chosen, qPrintable(question + QLatin1Char('|') + r.chosen.join(QLatin1Char(','))));
        QVERIFY2(question.contains(QStringLiteral("v3.7.dff")), qPrintable(question));

        // With "All Files" chosen the name is the user's own.
        r.overwritePrompt = false;
        WhenModal([](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            d->selectNameFilter(d->nameFilters().value(1));
            TypeFileName(d, QStringLiteral("notes.txt"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QVERIFY(prompter.fileDialog(r));
        QCOMPARE(r.chosen, QStringList{QDir::toNativeSeparators(dir.filePath(QStringLiteral("notes.txt")))});
    }

    void nameFiltersInTheDialogsSyntax()
    {
        QCOMPARE(DialogNameFilter(QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")), QStringLiteral("All Files (*)"));
        QCOMPARE(DialogNameFilter(QStringLiteral("KV310 HEX Firmware Files (*.HEX)"), QStringLiteral("*.HEX")),
                 QStringLiteral("KV310 HEX Firmware Files (*.HEX)"));
        QCOMPARE(DialogNameFilter(QStringLiteral("Logs"), QStringLiteral("*.txt;*.log")),
                 QStringLiteral("Logs (*.txt *.log)"));
    }
};

QTEST_MAIN(TestWidgetPrompter)
#include "tst_widgetprompter.moc"
