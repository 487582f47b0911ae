// The File menu, the save prompt, the default configuration, closing the
// window and starting the firmware loader.
#include "mainwindow.h"

#include "portrow.h"
#include "sequencelists.h"

#include "appinfo.h"
#include "binaryutils.h"
#include "datafile.h"
#include "defaultconfig.h"
#include "dialogs.h"
#include "fileservices.h"
#include "errorlog.h"
#include "loadercommand.h"
#include "prompter.h"
#include "serialport.h"
#include "status.h"
#include "unitbackups.h"
#include "unitconfig.h"
#include "wait.h"

#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTreeWidget>

namespace {
constexpr int kPortCloseWaitMs = 20000;   // Update Firmware waits this long for the port
constexpr int kPortClosePollMs = 25;

DialogParams DataFileDialog(const QString& verb)
{
    DialogParams p;
    p.title = verb + QStringLiteral(" ") + App().title + QStringLiteral(" Data File");
    p.filter = App().title + QStringLiteral(" Data Files (*.dtd)|*.dtd|All Files (*.*)|*.*");
    p.filterIndex = 1;
    return p;
}

bool SaveTo(frmMain& window, const QString& path)
{
    const SequenceTexts texts = window.panels().lists->texts();
    if (!VerifyInformation(texts.labels, texts.lines, true))
        return false;
    // Written through a temporary file: a refused or failed save leaves the
    // previous file as it was (the writer has told the user why).
    if (!ExportKV310File(path, Config()))
        return false;
    SetCurrentFile(path);
    ShowStatus(QStringLiteral("Successfully saved."));
    window.MarkChanged(false);
    return true;
}

void SaveAsChosenFile(frmMain& window)
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuSaveAs_Click", "frmMain");
    trap([&] {
        DialogParams p = DataFileDialog(QStringLiteral("Save"));
        p.defaultExtension = QStringLiteral("dtd");
        p.startFolder = App().dataFolder();
        p.fileName = CurrentFile().isEmpty() ? App().dataFile(QStringLiteral("New.dtd")) : CurrentFile();
        p.overwritePrompt = true;
        // The chosen file is not touched until the verified configuration
        // has been written to it.
        if (SaveDialog(p) && !p.fileName.isEmpty())
            SaveTo(window, p.fileName);
    });
}

// Save, also as the answer to the save prompt of an upload that holds the
// unit meanwhile.
void SaveCurrentFile(frmMain& window)
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuSave_Click", "frmMain");
    trap([&] {
        if (FileExists(CurrentFile()))
            SaveTo(window, CurrentFile());
        else
            SaveAsChosenFile(window);
    });
}
} // namespace

bool frmMain::LoadFromFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    // A file that cannot be read leaves the configuration, the current file
    // and the caption as they were; the reader has told the user why.
    UnitConfig loaded = Config();
    if (!ImportKV310File(path, loaded))
        return false;
    Config() = loaded;
    SetCurrentFile(path);
    DisplayData(false);
    MarkChanged(false);
    ShowStatus(QStringLiteral("Successfully loaded."));
    return true;
}

void frmMain::CreateNew(const QString& status)
{
    const ProcedureTrap trap("CreateNew", "modUtils");
    const QString path = App().dataFile(QString::fromLatin1(kDefaultFileName));
    trap([&] { WriteDefaultFile(path); });
    trap([&] { LoadFromFile(path); });
    if (!status.isEmpty())
        ShowStatus(status);
    const MsgAnswer answer = Prompts().message(
        QStringLiteral("Default data loaded, however it needs to be synced with the hardware.  "
                       "Would you like to Download now?"),
        MsgIcon::Information, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes)
        return;
    trap([&] {
        if (!unitConnected())
            cmdConnect_Click();
        cmdDownload_Click();
    });
}

int frmMain::AskSaveChanges()
{
    if (!isChanged())
        return 0;
    switch (Prompts().message(QStringLiteral("Would you like to save changes?"), MsgIcon::Question,
                              MsgButtons::YesNoCancel)) {
    case MsgAnswer::Cancel:
        return 2;
    case MsgAnswer::Yes:
        SaveCurrentFile(*this);
        // A save that was refused or failed must not let the changes go.
        return isChanged() ? 2 : 1;
    default:
        return 0;
    }
}

void frmMain::mnuNew_Click()
{
    // Neither the unit's transfer nor unsaved edits may be overrun.
    if (commandRunning() || AskSaveChanges() == 2)
        return;
    CreateNew();
}

void frmMain::mnuOpen_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuOpen_Click", "frmMain");
    if (commandRunning() || AskSaveChanges() == 2)
        return;
    trap([&] {
        DialogParams p = DataFileDialog(QStringLiteral("Open"));
        p.startFolder = CurrentFile().isEmpty() ? App().dataFolder() : QFileInfo(CurrentFile()).absolutePath();
        QString path;
        if (OpenDialog(p))
            path = p.fileName;
        // Something that exists but is no file to load gets the reader's message.
        if (!QFileInfo::exists(path))
            path.clear();
        LoadFromFile(path);
    });
}

void frmMain::mnuOpenBackup_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuOpenBackup_Click", "frmMain");
    if (commandRunning() || AskSaveChanges() == 2)
        return;
    trap([&] {
        DialogParams p = DataFileDialog(QStringLiteral("Open"));
        p.title = QStringLiteral("Open a Backup of a Unit");
        p.startFolder = UnitBackups::defaultFolder();
        if (!OpenDialog(p) || !FileExists(p.fileName) || !LoadFromFile(p.fileName))
            return;
        // The backup stays as it was: saving asks for a name in the data folder.
        SetCurrentFile(App().dataFile(QFileInfo(p.fileName).fileName()));
        MarkChanged(true);
        ShowStatus(QStringLiteral("Loaded the backup ") + QDir::toNativeSeparators(p.fileName));
    });
}

void frmMain::mnuSave_Click()
{
    if (!commandRunning())
        SaveCurrentFile(*this);
}

void frmMain::mnuSaveAs_Click()
{
    if (!commandRunning())
        SaveAsChosenFile(*this);
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    const ProcedureTrap trap = ProcedureTrap::form("Form_QueryUnload", "frmMain");
    if (commandRunning()) {
        // Closing now would close the port in the middle of an exchange,
        // or leave the loader behind.
        ShowStatus(loaderRunning_ ? QStringLiteral("Please close the firmware loader first.")
                                  : QStringLiteral("Please wait until the unit's transfer has ended."));
        event->ignore();
        return;
    }
    trap([&] {
        if (unit_.port->isOpen())
            DisconnectUnit();
    });
    SaveLocalSettings();
    if (AskSaveChanges() == 2) {
        event->ignore();
        return;
    }
    event->accept();
}

void frmMain::mnuFWUpdate_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuFWUpdate_Click", "frmMain");
    if (commandRunning())
        return;
    trap([&] {
        panels_.portRow->showConnected(true);   // so that its command disconnects
        cmdConnect_Click();
    });
    QElapsedTimer waited;
    waited.start();
    while (unit_.port->isOpen() && waited.elapsed() <= kPortCloseWaitMs)
        WaitMs(kPortClosePollMs);
    // The window goes on painting while the loader runs, but takes no
    // input and does not close until the loader has ended.
    {
        const QScopedValueRollback running(loaderRunning_, true);
        closeWaysIn(true);
        trap([&] { ShellAndWait(FirmwareLoaderCommand()); });
    }
    closeWaysIn(false);
}
