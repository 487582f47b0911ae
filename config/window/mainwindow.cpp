// Building the main window from its panels, and its load steps.
#include "mainwindow.h"

#include "actioneditor.h"
#include "appinfo.h"
#include "celleditor.h"
#include "datafile.h"
#include "dtmfstringlist.h"
#include "errorlog.h"
#include "inifile.h"
#include "listops.h"
#include "mainmenus.h"
#include "portrow.h"
#include "qtserialport.h"
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
#include "windowlinkview.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMenuBar>
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

QList<QAction*> MainMenus::commandEntries() const
{
    return {mnuNew, mnuOpen, mnuSave, mnuSaveAs, mnuOpenBackup, mnuExit, mnuFWUpdate, mnuSendDTMF->menuAction(),
            mnuUpSetOnly[0], mnuUpSetOnly[1], mnuUpAll};
}

frmMain::frmMain(SerialPort* port, SerialPort* prober, QWidget* parent)
    : QMainWindow(parent)
    , linkView_(std::make_unique<WindowLinkView>(*this))
    , editorHost_(std::make_unique<WindowEditorHost>(*this))
    , menus_(std::make_unique<MainMenus>())
{
    setObjectName(QStringLiteral("frmMain"));
    if (!port) {
        ports_.ownedUnit = std::make_unique<QtSerialPort>();
        port = ports_.ownedUnit.get();
    }
    if (!prober) {
        ports_.ownedScanner = std::make_unique<QtSerialPort>();
        prober = ports_.ownedScanner.get();
    }
    ports_.unit = port;
    ports_.scanner = prober;
    ports_.traced = std::make_unique<TracingSerialPort>(ports_.unit);
    link_ = std::make_unique<UnitLink>(ports_.traced.get(), Config(), linkView_.get());

    buildMenus();
    auto* central = Named(new QWidget(this), QStringLiteral("clientArea"));
    setCentralWidget(central);

    lists_ = new SequenceLists;
    settings_ = new SettingsPanel(Config(), *link_);
    portRow_ = new PortRow;
    auto* right = new QVBoxLayout;
    right->addWidget(settings_);
    right->addWidget(portRow_);
    right->addStretch(1);

    auto* upper = new QWidget;
    auto* top = new QHBoxLayout(upper);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(lists_, 1);
    top->addLayout(right);

    // The user decides how the room goes to the lists and the terminal.
    terminal_ = new TerminalPane(Config(), *link_);
    terminal_->addTool(new TrafficLogButton(*ports_.traced));
    auto* panes = Named(new QSplitter(Qt::Vertical), QStringLiteral("splPanes"));
    panes->setChildrenCollapsible(false);
    panes->addWidget(upper);
    panes->addWidget(terminal_);
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 2);
    auto* lay = new QVBoxLayout(central);
    lay->addWidget(panes);

    status_ = new StatusPanels(statusBar());
    cells_ = new CellEditor(Config(), central, lists_);
    fraSequence_ = new ActionEditor(editorHost_.get(), Config(), central);
    fraSequence_->hide();
    listOps_ = std::make_unique<SequenceListOps>(editorHost_.get(), fraSequence_, Config());
    dtmf_ = new DtmfStringList(menus_->mnuSendDTMF, central, cells_, listOps_.get());

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

void frmMain::buildMenus()
{
    MainMenus& m = *menus_;
    QMenu* file = Named(menuBar()->addMenu(QStringLiteral("&File")), QStringLiteral("mnuFile"));
    auto add = [&](QMenu* menu, const QString& name, const QString& caption, auto handler) {
        QAction* a = Named(menu->addAction(caption), name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    m.mnuNew = add(file, QStringLiteral("mnuNew"), QStringLiteral("&New"), &frmMain::mnuNew_Click);
    m.mnuOpen = add(file, QStringLiteral("mnuOpen"), QStringLiteral("&Open"), &frmMain::mnuOpen_Click);
    m.mnuSave = add(file, QStringLiteral("mnuSave"), QStringLiteral("&Save"), &frmMain::mnuSave_Click);
    m.mnuSaveAs = add(file, QStringLiteral("mnuSaveAs"), QStringLiteral("Save &As"), &frmMain::mnuSaveAs_Click);
    file->addSeparator();
    m.mnuOpenBackup = add(file, QStringLiteral("mnuOpenBackup"), QStringLiteral("Open &Backup..."),
                          &frmMain::mnuOpenBackup_Click);
    file->addSeparator();
    // Window-wide shortcuts: the window sees these keys before its controls.
    m.mnuNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m.mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m.mnuSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    for (QAction* a : {m.mnuNew, m.mnuOpen, m.mnuSave})
        a->setShortcutContext(Qt::WindowShortcut);
    m.mnuExit = add(file, QStringLiteral("mnuExit"), QStringLiteral("E&xit"), &frmMain::mnuExit_Click);

    m.mnuFWUpdate = Named(menuBar()->addAction(QStringLiteral("Update Firmware")), QStringLiteral("mnuFWUpdate"));
    connect(m.mnuFWUpdate, &QAction::triggered, this, &frmMain::mnuFWUpdate_Click);
    m.mnuSendDTMF = Named(menuBar()->addMenu(QStringLiteral("DTMF")), QStringLiteral("mnuSendDTMF"));

    m.mnuUpload = Named(new QMenu(this), QStringLiteral("mnuUpload"));
    const QStringList partial{QStringLiteral("Upload Settings/Labels"),
                              QStringLiteral("Upload Sequences/ASCII Strings")};
    for (int i = 0; i < 2; ++i) {
        m.mnuUpSetOnly[i] = Named(m.mnuUpload->addAction(partial[i]), QStringLiteral("mnuUpSetOnly_%1").arg(i));
        connect(m.mnuUpSetOnly[i], &QAction::triggered, this, [this, i] { mnuUpSetOnly_Click(i); });
    }
    m.mnuUpAll = add(m.mnuUpload, QStringLiteral("mnuUpAll"), QStringLiteral("Upload Everything"),
                     &frmMain::mnuUpAll_Click);
}

void frmMain::connectPanels()
{
    connect(portRow_, &PortRow::connectClicked, this, &frmMain::cmdConnect_Click);
    connect(portRow_, &PortRow::refreshClicked, this, &frmMain::cmdRefresh_Click);
    connect(portRow_, &PortRow::downloadClicked, this, &frmMain::cmdDownload_Click);
    connect(portRow_, &PortRow::uploadClicked, this, &frmMain::cmdUpload_Click);
    connect(portRow_, &PortRow::exitClicked, this, &frmMain::mnuExit_Click);
    connect(settings_, &SettingsPanel::edited, this, [this] { MarkChanged(true); });
    connect(settings_, &SettingsPanel::redisplayWanted, this, [this] { DisplayData(true); });
    connect(terminal_, &TerminalPane::feedbackRead, this, &frmMain::SyncJumpers);
    connect(cells_, &CellEditor::edited, this, [this] { MarkChanged(true); });
    connect(cells_, &CellEditor::listsChanged, this, [this] { DisplayData(false); });
    connect(cells_, &CellEditor::flagChanged, this, [this] { terminal_->rebuildCheckTexts(Config().ASCIIFlagChar); });
    connect(cells_, &CellEditor::closed, this, [this] { listOps_->setActiveList(nullptr); });
    connect(dtmf_, &DtmfStringList::sendRequested, this, [this](const QByteArray& text) {
        if (unitConnected())
            link_->sendText(text);
    });
    connect(dtmf_, &DtmfStringList::editorOpened, this, &frmMain::SaveLocalSettings);
    connect(dtmf_, &DtmfStringList::editorDone, this, [this] { ControlState(true, false); });
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The floating editors stay where they belong once the layout has settled.
    QTimer::singleShot(0, this, [this] {
        if (!dtmf_->isHidden())
            dtmf_->centre();
        if (cells_->isOpen())
            cells_->place();
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
    terminal_->rebuildCheckTexts(Config().ASCIIFlagChar);
    terminal_->setAllCodesTexts();
    MarkChanged(false);
    status_->takeStatus();
    LineSettings line;
    LineSettings::parse(QStringLiteral("9600,n,8,1"), &line);
    ports_.unit->setSettings(line);
    ControlState(false, false);
    if (splash_)
        splash_->setStatusText(QStringLiteral("Loading KV310...Scanning ports"));
    trap([&] {
        portRow_->populate(ports_.scanner, true);
        const QString section = QString::fromLatin1(kLocalSettingsSection);
        portRow_->choose(ReadIniValue(section, QStringLiteral("ComPort")));
        portRow_->chooseAdapter(ReadIniValue(section, QStringLiteral("ComPortId")));
    });
    LoadLocalSettings();
    trap([&] {
        show();
        lists_->sequences()->setFocus();
        if (splash_)
            splash_->close();
    });
}
