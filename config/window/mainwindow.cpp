// Building the main window from its panels, and its load steps.
#include "mainwindow.h"

#include "actioneditor.h"
#include "appinfo.h"
#include "celleditor.h"
#include "datafile.h"
#include "dtmfstringlist.h"
#include "errorlog.h"
#include "listops.h"
#include "mainmenus.h"
#include "portrow.h"
#include "serialport.h"
#include "sequencelists.h"
#include "settingspanel.h"
#include "splash.h"
#include "status.h"
#include "statuspanels.h"
#include "terminalpane.h"
#include "tracingserialport.h"
#include "trafficlog.h"
#include "unitconfig.h"
#include "widgetmaking.h"
#include "windoweditorhost.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kMinWidthTwips = 12360;
constexpr int kMinHeightTwips = 7650;
const QSize kRoomAboveMinimum(96, 90);   // the first size: a little above the least
} // namespace

frmMain::frmMain(SerialPort* port, SerialPort* prober, QWidget* parent)
    : QMainWindow(parent)
    , unit_(*this, port, prober)
{
    setObjectName(QStringLiteral("frmMain"));
    menus_.build(*this);
    auto* central = Named(new QWidget(this), QStringLiteral("clientArea"));
    setCentralWidget(central);

    WindowPanels& p = panels_;
    p.lists = new SequenceLists;
    p.settings = new SettingsPanel(Config(), *unit_.link);
    p.portRow = new PortRow;
    auto* right = new QVBoxLayout;
    right->addWidget(p.settings);
    right->addWidget(p.portRow);
    right->addStretch(1);

    auto* upper = new QWidget;
    auto* top = new QHBoxLayout(upper);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(p.lists, 1);
    top->addLayout(right);

    // The user decides how the room goes to the lists and the terminal.
    p.terminal = new TerminalPane(Config(), *unit_.link);
    p.terminal->addTool(new TrafficLogButton(*unit_.traced));
    auto* panes = Named(new QSplitter(Qt::Vertical), QStringLiteral("splPanes"));
    panes->setChildrenCollapsible(false);
    panes->addWidget(upper);
    panes->addWidget(p.terminal);
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 2);
    auto* lay = new QVBoxLayout(central);
    lay->addWidget(panes);

    p.status = new StatusPanels(statusBar());
    p.cells = new CellEditor(Config(), central, p.lists);
    p.editorHost = std::make_unique<WindowEditorHost>(*this);
    p.actionEditor = new ActionEditor(p.editorHost.get(), Config(), central);
    p.actionEditor->hide();
    p.listOps = std::make_unique<SequenceListOps>(p.editorHost.get(), p.actionEditor, Config());
    p.dtmfStrings = new DtmfStringList(menus_.mnuSendDTMF, central, p.cells, p.listOps.get());

    setMinimumSize(kMinWidthTwips / kTwipsPerPixel, kMinHeightTwips / kTwipsPerPixel);
    resize(minimumSize() + kRoomAboveMinimum);
    connectPanels();
}

frmMain::~frmMain()
{
    // The panels go first, while the link, the menus and the hooks they
    // call are still there (a focus change in their teardown reaches them).
    delete takeCentralWidget();
}

void frmMain::connectPanels()
{
    const WindowPanels& p = panels_;
    connect(p.portRow, &PortRow::connectClicked, this, &frmMain::cmdConnect_Click);
    connect(p.portRow, &PortRow::refreshClicked, this, &frmMain::cmdRefresh_Click);
    connect(p.portRow, &PortRow::downloadClicked, this, &frmMain::cmdDownload_Click);
    connect(p.portRow, &PortRow::uploadClicked, this, &frmMain::cmdUpload_Click);
    connect(p.portRow, &PortRow::exitClicked, this, &frmMain::mnuExit_Click);
    connect(p.settings, &SettingsPanel::edited, this, [this] { MarkChanged(true); });
    connect(p.settings, &SettingsPanel::redisplayWanted, this, [this] { DisplayData(true); });
    connect(p.settings, &SettingsPanel::syncing, this, [this](bool syncing) { ControlState(!syncing, false); });
    connect(p.terminal, &TerminalPane::feedbackRead, p.settings, &SettingsPanel::SyncJumpers);
    connect(p.cells, &CellEditor::edited, this, [this] { MarkChanged(true); });
    connect(p.cells, &CellEditor::listsChanged, this, [this] { DisplayData(false); });
    connect(p.cells, &CellEditor::flagChanged, this,
            [this] { panels_.terminal->rebuildCheckTexts(Config().ASCIIFlagChar); });
    connect(p.cells, &CellEditor::closed, this, [this] { panels_.listOps->setActiveList(nullptr); });
    connect(p.dtmfStrings, &DtmfStringList::sendRequested, this, [this](const QByteArray& text) {
        if (unitConnected())
            unit_.link->sendText(text);
    });
    connect(p.dtmfStrings, &DtmfStringList::editorOpened, this, &frmMain::SaveLocalSettings);
    connect(p.dtmfStrings, &DtmfStringList::editorDone, this, [this] { ControlState(true, false); });
    connect(p.dtmfStrings, &DtmfStringList::stringsChanged, this, [this](const QString& joined) {
        QString error;
        if (!localSettings_.save({{QStringLiteral("DTMFStrings"), joined}}, &error))
            localSettingsNotSaved(error);
    });
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The floating editors stay where they belong once the layout has settled.
    QTimer::singleShot(0, this, [this] {
        if (!panels_.dtmfStrings->isHidden())
            panels_.dtmfStrings->centre();
        if (panels_.cells->isOpen())
            panels_.cells->place();
    });
}

void frmMain::Form_Load()
{
    const ProcedureTrap trap = ProcedureTrap::form("Form_Load", "frmMain");
    trap([&] {
        splash_ = new frmSplash;
        splash_->setAttribute(Qt::WA_DeleteOnClose);
        splash_->show();
        QApplication::processEvents();
    });
    SetCurrentFile(App().dataFile(QStringLiteral("New.dtd")));
    panels_.terminal->rebuildCheckTexts(Config().ASCIIFlagChar);
    panels_.terminal->setAllCodesTexts();
    MarkChanged(false);
    panels_.status->takeStatus();
    LineSettings line;
    LineSettings::parse(QStringLiteral("9600,n,8,1"), &line);
    unit_.port->setSettings(line);
    ControlState(false, false);
    if (splash_)
        splash_->setStatusText(QStringLiteral("Loading KV310...Scanning ports"));
    trap([&] { panels_.portRow->populate(unit_.scanner, true); });
    LoadLocalSettings();   // the port last used too
    trap([&] {
        show();
        panels_.lists->sequences()->setFocus();
        if (splash_)
            splash_->close();
    });
}
