// The Open and Save dialogs' parameter write-back, driven through the
// scripted prompter, and the filter helpers.
#include "dialogs.h"
#include "errorlog.h"
#include "scriptedprompter.h"
#include "testfolder.h"

#include <QFile>
#include <QTest>

namespace {

const QString kDffFilter = QStringLiteral("Norrvale Firmware Files (*.dff)|*.dff|All Files (*.*)|*.*");
const QChar kNul(u'\0');

QString Nul(const char* text)
{
    QString s = QString::fromLatin1(text);
    s.replace(QLatin1Char('|'), kNul);
    return s;
}

// A prompter whose dialog throws, as a broken dialog backend might.
class ThrowingPrompter : public ScriptedPrompter {
public:
    bool fileDialog(FileDialogRequest&) override { throw std::runtime_error("dialog broke"); }
};

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void openChoosesTheSecondFilter()
    {
        ScriptedPrompter prompter;
        prompter.files = {QStringLiteral("/units/spare/KV310 v2.DFF")};
        prompter.chosenFilterIndex = 2;
        DialogParams p;
        p.title = QStringLiteral("Load Norrvale Firmware File");
        p.filter = kDffFilter;
        p.filterIndex = 1;
        p.fileName = QStringLiteral("/units/last.dff");
        p.startFolder = QStringLiteral("/opt/kv310");
        p.fileMustExist = true;
        p.hideReadOnly = true;
        p.flags = Ofn::Explorer | Ofn::EnableHook | Ofn::EnableTemplate;
        p.defaultExtension = QStringLiteral("dff");

        QVERIFY(OpenDialog(p));
        QCOMPARE(LastDialogResult(), 1);
        QCOMPARE(LastDialogError(), 0u);
        QCOMPARE(p.fileName, QStringLiteral("/units/spare/KV310 v2.DFF"));
        QCOMPARE(p.fileTitle, QStringLiteral("KV310 v2.DFF"));
        QCOMPARE(p.filterIndex, 2);
        QCOMPARE(p.filter, QStringLiteral("All Files (*.*)") + kNul + QStringLiteral("*.*"));
        QCOMPARE(p.flags, Ofn::Explorer | Ofn::FileMustExist | Ofn::HideReadOnly);
        QVERIFY(!p.readOnly);

        // What the dialog was asked to show.
        QCOMPARE(prompter.dialogs.size(), 1);
        const FileDialogRequest& r = prompter.dialogs.first();
        QCOMPARE(r.kind, FileDialogRequest::Kind::Open);
        QCOMPARE(r.title, QStringLiteral("Load Norrvale Firmware File"));
        QCOMPARE(r.startFolder, QStringLiteral("/opt/kv310"));
        QCOMPARE(r.initialName, QStringLiteral("/units/last.dff"));
        QCOMPARE(r.filters, (QStringList{QStringLiteral("Norrvale Firmware Files (*.dff)"), QStringLiteral("All Files (*.*)")}));
        QCOMPARE(r.patterns, (QStringList{QStringLiteral("*.dff"), QStringLiteral("*.*")}));
        QCOMPARE(r.filterIndex, 1);
        QVERIFY(r.fileMustExist);
        QVERIFY(!r.multiSelect);
        QVERIFY(!r.overwritePrompt);
    }

    void cancelledDialogClearsTheOutputs()
    {
        ScriptedPrompter prompter;
        prompter.files = {QString()};
        DialogParams p;
        p.fileName = QStringLiteral("/a/b.dtd");
        p.fileTitle = QStringLiteral("b.dtd");
        p.filter = kDffFilter;
        p.filterIndex = 2;
        p.flags = Ofn::Explorer;
        QVERIFY(!OpenDialog(p));
        QCOMPARE(LastDialogResult(), 0);
        QCOMPARE(LastDialogError(), 0u);
        QCOMPARE(p.fileName, QString());
        QCOMPARE(p.fileTitle, QString());
        QCOMPARE(p.filter, QString());
        QCOMPARE(p.filterIndex, -1);
        QCOMPARE(p.flags, 0u);

        // Same for Save, and the outcome values start at 0 each time.
        prompter.files = {QStringLiteral("/x/y.dtd")};
        DialogParams ok;
        QVERIFY(SaveDialog(ok));
        QCOMPARE(LastDialogResult(), 1);
        prompter.files = {QString()};
        DialogParams s = p;
        s.fileName = QStringLiteral("/a/b.dtd");
        QVERIFY(!SaveDialog(s));
        QCOMPARE(LastDialogResult(), 0);
        QCOMPARE(s.fileName, QString());
        QCOMPARE(s.filterIndex, -1);
        QCOMPARE(s.flags, 0u);
    }

    void failedDialogKeepsItsErrorCode()
    {
        ScriptedPrompter prompter;
        prompter.dialogErrorCode = 0x3002;
        DialogParams p;
        p.fileName = QStringLiteral("/a/b.dtd");
        QVERIFY(!SaveDialog(p));
        QCOMPARE(LastDialogResult(), 0);
        QCOMPARE(LastDialogError(), 0x3002u);
        QCOMPARE(p.fileName, QString());
        QCOMPARE(p.filterIndex, -1);

        prompter.dialogErrorCode = 0;
        prompter.files = {QStringLiteral("/x/y.dtd")};
        QVERIFY(SaveDialog(p));
        QCOMPARE(LastDialogError(), 0u);
    }

    void emptyStartFolderStartsInTheInitialNamesFolder()
    {
        ScriptedPrompter prompter;
        prompter.files = {QString(), QString(), QString()};
        DialogParams p;
        p.fileName = QStringLiteral("C:\\Program Files\\KV310\\New.dtd");
        QVERIFY(!SaveDialog(p));
        p.fileName = QStringLiteral("/home/op/units/site1.dtd");
        QVERIFY(!OpenDialog(p));
        p.fileName = QStringLiteral("site1.dtd");
        QVERIFY(!OpenDialog(p));
        QCOMPARE(prompter.dialogs.at(0).startFolder, QStringLiteral("C:\\Program Files\\KV310\\"));
        QCOMPARE(prompter.dialogs.at(1).startFolder, QStringLiteral("/home/op/units/"));
        QCOMPARE(prompter.dialogs.at(2).startFolder, QString());
    }

    void saveAlwaysHidesReadOnlyAndAsksBeforeOverwriting()
    {
        ScriptedPrompter prompter;
        prompter.files = {QStringLiteral("/u/out.bin")};
        DialogParams p;
        p.filter = QStringLiteral("KV310 Firmware Files (*.dff)|*.dff");
        p.defaultExtension = QStringLiteral("dff");
        p.overwritePrompt = true;
        // Ignored by Save.
        p.fileMustExist = true;
        p.multiSelect = true;
        QVERIFY(SaveDialog(p));
        const FileDialogRequest& r = prompter.dialogs.first();
        QCOMPARE(r.kind, FileDialogRequest::Kind::Save);
        QVERIFY(r.overwritePrompt);
        QVERIFY(!r.fileMustExist);
        QVERIFY(!r.multiSelect);
        QCOMPARE(r.defaultExtension, QStringLiteral("dff"));
        // The typed extension differs from the default one.
        QCOMPARE(p.flags, Ofn::HideReadOnly | Ofn::OverwritePrompt | Ofn::ExtensionDifferent);
        QCOMPARE(p.filter, QStringLiteral("KV310 Firmware Files (*.dff)") + kNul + QStringLiteral("*.dff"));
        QCOMPARE(p.filterIndex, 1);
    }

    void readOnlyTickIsReported()
    {
        ScriptedPrompter prompter;
        prompter.files = {QStringLiteral("/u/a.dtd"), QStringLiteral("/u/b.dtd")};
        prompter.tickReadOnly = true;
        DialogParams p;
        QVERIFY(OpenDialog(p));
        QVERIFY(p.readOnly);
        QCOMPARE(p.flags & Ofn::ReadOnly, Ofn::ReadOnly);
        // Asked read-only but not ticked: the flag goes, the Boolean stays.
        prompter.tickReadOnly = false;
        DialogParams q;
        q.readOnly = true;
        QVERIFY(OpenDialog(q));
        QCOMPARE(q.flags & Ofn::ReadOnly, 0u);
        QVERIFY(q.readOnly);
    }

    void multiSelectGivesFolderAndNames()
    {
        ScriptedPrompter prompter;
        prompter.files = {QStringLiteral("/u/a.dtd\n/u/b.dtd"), QStringLiteral("/u/only.dtd")};
        DialogParams p;
        p.multiSelect = true;
        QVERIFY(OpenDialog(p));
        QVERIFY(prompter.dialogs.first().multiSelect);
        QCOMPARE(p.fileName, QStringLiteral("/u") + kNul + QStringLiteral("a.dtd") + kNul + QStringLiteral("b.dtd"));
        QCOMPARE(p.fileTitle, QString());
        QCOMPARE(p.flags, Ofn::AllowMultiSelect);
        QVERIFY(OpenDialog(p));
        QCOMPARE(p.fileName, QStringLiteral("/u/only.dtd"));
    }

    void colonInADescriptionIsNoSeparator()
    {
        ScriptedPrompter prompter;
        prompter.files = {QStringLiteral("/u/a.hex")};
        DialogParams p;
        p.filter = QStringLiteral("Model: KV310 HEX Files (*.HEX)|*.HEX|All Files (*.*)|*.*");
        QVERIFY(OpenDialog(p));
        QCOMPARE(prompter.dialogs.first().filters.first(), QStringLiteral("Model: KV310 HEX Files (*.HEX)"));
        QCOMPARE(p.filter, QStringLiteral("Model: KV310 HEX Files (*.HEX)") + kNul + QStringLiteral("*.HEX"));
    }

    void brokenDialogIsLoggedAndCancels()
    {
        TestProgramFolder folder;
        ThrowingPrompter prompter;
        DialogParams p;
        p.fileName = QStringLiteral("/a/b");
        QVERIFY(!OpenDialog(p));
        QCOMPARE(p.fileName, QString());
        QCOMPARE(p.filterIndex, -1);
        QFile log(ErrorLogPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromLocal8Bit(log.readAll());
        QVERIFY2(text.contains(QLatin1String("(dialog broke) in procedure OpenDialog of Module modDLG on line ")),
                 qPrintable(text));
    }

    void filterLookupWalksThePairs()
    {
        const QString list = Nul("Norrvale Firmware Files (*.dff)|*.dff|All Files (*.*)|*.*||");
        QCOMPARE(FilterLookup(list, 1), Nul("Norrvale Firmware Files (*.dff)|*.dff"));
        QCOMPARE(FilterLookup(list, 2), Nul("All Files (*.*)|*.*"));
        QCOMPARE(FilterLookup(list, 3), QString());
        QCOMPARE(FilterLookup(list, 0), QString());
        QCOMPARE(FilterLookup(list, -1), QString());
        QCOMPARE(FilterLookup(QString(), 1), QString());
        // No closing NULs: the last filter runs to the end.
        QCOMPARE(FilterLookup(Nul("A|a|B|b"), 2), Nul("B|b"));
        QCOMPARE(FilterLookup(Nul("A|a|B"), 2), QStringLiteral("B"));
    }

    void trimAtNull()
    {
        QCOMPARE(TrimAtNull(Nul("name.dtd|||")), QStringLiteral("name.dtd"));
        QCOMPARE(TrimAtNull(QStringLiteral("plain")), QStringLiteral("plain"));
        QCOMPARE(TrimAtNull(Nul("|x")), QString());
    }
};

QTEST_GUILESS_MAIN(TestDialogs)
#include "tst_dialogs.moc"
