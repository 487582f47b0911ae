#include "mainwindow.h"

#include "actioneditor.h"
#include "appinfo.h"
#include "commandbutton.h"
#include "errorlog.h"
#include "listops.h"
#include "optioncheckbox.h"
#include "progressbar.h"
#include "qtserialport.h"
#include "status.h"
#include "splash.h"
#include "unitconfig.h"
#include "unitlink.h"
#include "vocabulary.h"
#include "wholelinetips.h"
#include "datafile.h"
#include "inifile.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kMinWidthTwips = 12360;
constexpr int kMinHeightTwips = 7650;
constexpr int kHighlightDelayMs = 100;
constexpr int kPasswordLength = 4;

QString Two(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

template <class W>
W* Named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

QTreeWidget* MakeList(const QString& name, const QStringList& headers, const QString& tip)
{
    auto* list = Named(new QTreeWidget, name);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->setToolTip(tip);
    list->header()->setStretchLastSection(true);
    return list;
}
} // namespace

frmMain::frmMain(SerialPort* port, SerialPort* prober, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    if (!port) {
        ownedPort_ = std::make_unique<QtSerialPort>();
        port = ownedPort_.get();
    }
    if (!prober) {
        ownedScanner_ = std::make_unique<QtSerialPort>();
        prober = ownedScanner_.get();
    }
    serPort_ = port;
    portScanner_ = prober;
    link_ = std::make_unique<UnitLink>(serPort_, Config(), this);

    buildMenus();
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(central);

    auto* right = new QVBoxLayout;
    right->addWidget(buildSettingsFrame());
    right->addWidget(buildPortRow());
    right->addStretch(1);

    auto* upper = new QWidget;
    auto* top = new QHBoxLayout(upper);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(buildSequencePane(), 1);
    top->addLayout(right);

    // The user decides how the room goes to the lists and the terminal.
    auto* panes = Named(new QSplitter(Qt::Vertical), QStringLiteral("splPanes"));
    panes->setChildrenCollapsible(false);
    panes->addWidget(upper);
    panes->addWidget(buildTerminalPane());
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 2);
    auto* lay = new QVBoxLayout(central);
    lay->addWidget(panes);

    buildStatusBar();
    buildDTMFStringFrame();
    buildCellEditor();

    fraSequence_ = new ActionEditor(this, Config(), central);
    fraSequence_->hide();
    listOps_ = std::make_unique<SequenceListOps>(this, fraSequence_, Config());

    tmrHighLight_.setParent(this);   // a member: gone before the window, so never deleted twice
    tmrHighLight_.setObjectName(QStringLiteral("tmrHighLight"));
    tmrHighLight_.setSingleShot(true);
    tmrHighLight_.setInterval(kHighlightDelayMs);
    connect(&tmrHighLight_, &QTimer::timeout, this, &frmMain::tmrHighLight_Timer);

    setMinimumSize(kMinWidthTwips / kTwipsPerPixel, kMinHeightTwips / kTwipsPerPixel);
    resize(minimumSize().width() + 96, minimumSize().height() + 90);

    connectSettingsPanel();
    connectCellEditor();
}

frmMain::~frmMain()
{
    SetStatusSink({});
}

void frmMain::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto add = [&](QMenu* m, const QString& name, const QString& caption, auto handler) {
        QAction* a = m->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    // Window-wide shortcuts: the window sees these keys before its controls.
    mnuNew_ = add(file, QStringLiteral("mnuNew"), QStringLiteral("&New"), &frmMain::mnuNew_Click);
    mnuOpen_ = add(file, QStringLiteral("mnuOpen"), QStringLiteral("&Open"), &frmMain::mnuOpen_Click);
    mnuSave_ = add(file, QStringLiteral("mnuSave"), QStringLiteral("&Save"), &frmMain::mnuSave_Click);
    mnuSaveAs_ = add(file, QStringLiteral("mnuSaveAs"), QStringLiteral("Save &As"), &frmMain::mnuSaveAs_Click);
    file->addSeparator();
    mnuNew_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuOpen_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    for (QAction* a : {mnuNew_, mnuOpen_, mnuSave_})
        a->setShortcutContext(Qt::WindowShortcut);
    mnuExit_ = add(file, QStringLiteral("mnuExit"), QStringLiteral("E&xit"), &frmMain::mnuExit_Click);

    mnuFWUpdate_ = menuBar()->addAction(QStringLiteral("Update Firmware"));
    mnuFWUpdate_->setObjectName(QStringLiteral("mnuFWUpdate"));
    connect(mnuFWUpdate_, &QAction::triggered, this, &frmMain::mnuFWUpdate_Click);

    mnuSendDTMF_ = menuBar()->addMenu(QStringLiteral("DTMF"));
    mnuSendDTMF_->setObjectName(QStringLiteral("mnuSendDTMF"));
    mnuEditDTMFStr_ = add(mnuSendDTMF_, QStringLiteral("mnuEditDTMFStr"),
                          QStringLiteral("Edit DTMF Sequences"), &frmMain::mnuEditDTMFStr_Click);
    mnuSendDTMF_->addSeparator();
    RebuildDTMFMenu(QString());

    mnuUpload_ = new QMenu(this);
    mnuUpload_->setObjectName(QStringLiteral("mnuUpload"));
    const QStringList partial{QStringLiteral("Upload Settings/Labels"),
                              QStringLiteral("Upload Sequences/ASCII Strings")};
    for (int i = 0; i < 2; ++i) {
        mnuUpSetOnly_[i] = mnuUpload_->addAction(partial[i]);
        mnuUpSetOnly_[i]->setObjectName(QStringLiteral("mnuUpSetOnly_%1").arg(i));
        connect(mnuUpSetOnly_[i], &QAction::triggered, this, [this, i] { mnuUpSetOnly_Click(i); });
    }
    mnuUpAll_ = add(mnuUpload_, QStringLiteral("mnuUpAll"), QStringLiteral("Upload Everything"),
                    &frmMain::mnuUpAll_Click);
}

QWidget* frmMain::buildSequencePane()
{
    auto* pane = Named(new QSplitter(Qt::Horizontal), QStringLiteral("splLists"));
    pane->setChildrenCollapsible(false);
    lstSequences_[0] = MakeList(QStringLiteral("lstSequences_0"),
                                {QStringLiteral("#"), QStringLiteral("Seq Lbl"), QStringLiteral("Actions")},
                                QStringLiteral("Actions sequences.  Click on the sequence to edit."));
    lstSequences_[0]->header()->resizeSection(0, 34);
    lstSequences_[0]->header()->resizeSection(1, 56);
    lstSequences_[1] = MakeList(QStringLiteral("lstSequences_1"),
                                {QStringLiteral("#"), QStringLiteral("ASCII Strings")},
                                QStringLiteral("ASCII strings, click to edit."));
    lstSequences_[1]->header()->resizeSection(0, 34);
    for (QTreeWidget* list : lstSequences_) {
        pane->addWidget(list);
        WholeLineTips::install(list);
    }
    pane->setStretchFactor(0, 3);
    pane->setStretchFactor(1, 2);
    return pane;
}

QWidget* frmMain::buildSettingsFrame()
{
    fraSettings_ = Named(new QGroupBox(QStringLiteral("Unit Settings")), QStringLiteral("fraSettings"));
    auto* grid = new QGridLayout(fraSettings_);
    const QStringList& names = OptionNames();
    const QStringList& commands = OptionCommands();
    for (int i = 0; i < kOptionCount; ++i) {
        auto* box = new OptionCheckBox(names.value(i), fraSettings_);
        box->setObjectName(QStringLiteral("chkOpt_%1").arg(i));
        box->setProperty("tag", commands.value(i));
        box->setTristate(true);   // the grey state of silent mode
        chkOpt_[i] = box;
        grid->addWidget(box, i / 3, i % 3);
    }
    int row = 4;
    auto place = [&](QLabel* label, QLineEdit* edit, int r, int c) {
        auto* h = new QHBoxLayout;
        h->addWidget(label);
        h->addWidget(edit);
        h->addStretch(1);
        grid->addLayout(h, r, c);
    };
    auto make = [&](QLabel*& label, QLineEdit*& edit, const QString& lname, const QString& ename,
                    const QString& caption) {
        label = Named(new QLabel(caption, fraSettings_), lname);
        edit = Named(new QLineEdit(fraSettings_), ename);
        edit->setMaximumWidth(64);
    };
    make(lblRings_, txtRings_, QStringLiteral("lblRings"), QStringLiteral("txtRings"), QStringLiteral("Rings:"));
    make(lblPrefix_, txtPrefix_, QStringLiteral("lblPrefix"), QStringLiteral("txtPrefix"), QStringLiteral("Prefix:"));
    make(lblInactDur_, txtInactDur_, QStringLiteral("lblInactDur"), QStringLiteral("txtInactDur"),
         QStringLiteral("Inactivity:"));
    make(lblDTMFOutDur_, txtDTMFOutDur_, QStringLiteral("lblDTMFOutDur"), QStringLiteral("txtDTMFOutDur"),
         QStringLiteral("DTMF dur (s):"));
    make(lblPass_, txtPass_, QStringLiteral("lblPass"), QStringLiteral("txtPass"), QStringLiteral("Password:"));
    txtPass_->setMaxLength(kPasswordLength);
    txtPrefix_->setMaxLength(1);
    place(lblRings_, txtRings_, row, 0);
    place(lblPrefix_, txtPrefix_, row, 1);
    place(lblInactDur_, txtInactDur_, row, 2);
    ++row;
    place(lblDTMFOutDur_, txtDTMFOutDur_, row, 0);
    place(lblPass_, txtPass_, row, 1);
    ++row;

    const QStringList chkNames{QStringLiteral("chkDisconInfo"), QStringLiteral("chkExtStat"),
                               QStringLiteral("chkPWRON")};
    const QStringList cmbNames{QStringLiteral("cmbDisconInfo"), QStringLiteral("cmbExtStat"),
                               QStringLiteral("cmbPWRON")};
    const QStringList captions{QStringLiteral("On disconnect run"), QStringLiteral("On ext. status run"),
                               QStringLiteral("On power-on run")};
    for (int e = 0; e < 3; ++e) {
        chkEvent_[e] = Named(new QCheckBox(captions[e], fraSettings_), chkNames[e]);
        cmbEvent_[e] = Named(new QComboBox(fraSettings_), cmbNames[e]);
        auto* h = new QHBoxLayout;
        h->addWidget(chkEvent_[e]);
        h->addWidget(cmbEvent_[e]);
        h->addStretch(1);
        grid->addLayout(h, row + e, 0, 1, 3);
    }
    return fraSettings_;
}

QWidget* frmMain::buildPortRow()
{
    auto* box = new QWidget;
    auto* lay = new QGridLayout(box);
    lay->setContentsMargins(0, 0, 0, 0);
    cmbPort_ = Named(new QComboBox, QStringLiteral("cmbPort"));
    cmbPort_->setEditable(false);
    cmdConnect_ = Named(new CommandButton(QStringLiteral("Connect")), QStringLiteral("cmdConnect"));
    cmdRefresh_ = Named(new QPushButton(QStringLiteral("Refresh")), QStringLiteral("cmdRefresh"));
    cmdRefresh_->setToolTip(QStringLiteral("Scan for available COM ports."));
    cmdDownload_ = Named(new CommandButton(QStringLiteral("Download")), QStringLiteral("cmdDownload"));
    cmdUpload_ = Named(new CommandButton(QStringLiteral("Upload")), QStringLiteral("cmdUpload"));
    cmdExit_ = Named(new QPushButton(QStringLiteral("Exit")), QStringLiteral("cmdExit"));
    lay->addWidget(cmbPort_, 0, 0);
    lay->addWidget(cmdConnect_, 0, 1);
    lay->addWidget(cmdRefresh_, 0, 2);
    lay->addWidget(cmdDownload_, 1, 0);
    lay->addWidget(cmdUpload_, 1, 1);
    lay->addWidget(cmdExit_, 1, 2);

    // Keyboard ways to the three unit commands, named in their tool tips.
    const struct {
        QPushButton* button;
        QKeySequence keys;
        QString tip;
    } commands[] = {
        {cmdConnect_, QKeySequence(Qt::CTRL | Qt::Key_K), QStringLiteral("Connect to or disconnect from the unit")},
        {cmdDownload_, QKeySequence(Qt::CTRL | Qt::Key_D), QStringLiteral("Read the whole configuration from the unit")},
        {cmdUpload_, QKeySequence(Qt::CTRL | Qt::Key_U), QStringLiteral("Write the configuration to the unit")},
    };
    for (const auto& command : commands) {
        command.button->setToolTip(command.tip + QStringLiteral(" (")
                                   + command.keys.toString(QKeySequence::NativeText) + QStringLiteral(")"));
        auto* shortcut = new QShortcut(command.keys, this);
        QPushButton* button = command.button;
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
    }
    connect(cmbPort_, &QComboBox::currentTextChanged, this, &frmMain::updatePortToolTip);
    connect(cmdConnect_, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    connect(cmdRefresh_, &QPushButton::clicked, this, &frmMain::cmdRefresh_Click);
    connect(cmdDownload_, &QPushButton::clicked, this, &frmMain::cmdDownload_Click);
    connect(cmdUpload_, &QPushButton::clicked, this, &frmMain::cmdUpload_Click);
    connect(cmdExit_, &QPushButton::clicked, this, &frmMain::mnuExit_Click);
    return box;
}

QWidget* frmMain::buildTerminalPane()
{
    auto* pane = new QWidget;
    auto* lay = new QHBoxLayout(pane);
    lay->setContentsMargins(0, 0, 0, 0);
    txtTerminal_ = Named(new QTextEdit, QStringLiteral("txtTerminal"));
    txtTerminal_->setReadOnly(true);   // keys go to the unit, not into the text
    txtTerminal_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtTerminal_->setFocusPolicy(Qt::StrongFocus);
    txtTerminal_->setTabChangesFocus(true);
    txtTerminal_->setToolTip(QStringLiteral("What the unit sends.  Type here to send to the unit (Ctrl+Tab sends a TAB)."));
    txtTerminal_->setFont(QFont(QStringLiteral("Monospace")));
    txtTerminal_->installEventFilter(this);
    lay->addWidget(txtTerminal_, 1);

    auto* side = new QVBoxLayout;
    chkTermAscCodeDisplay_ = Named(new QCheckBox, QStringLiteral("chkTermAscCodeDisplay"));
    chkGlobalAscCodeOnly_ = Named(new QCheckBox, QStringLiteral("chkGlobalAscCodeOnly"));
    cmdTermClear_ = Named(new QPushButton(QStringLiteral("Clear Terminal")), QStringLiteral("cmdTermClear"));
    lblInstDTMF_ = Named(new QLabel(QStringLiteral("Instant DTMF sequence:")), QStringLiteral("lblInstDTMF"));
    txtInstDTMF_ = Named(new QLineEdit, QStringLiteral("txtInstDTMF"));
    cmdInstDTMFSend_ = Named(new QPushButton(QStringLiteral("Send")), QStringLiteral("cmdInstDTMFSend"));
    side->addWidget(chkTermAscCodeDisplay_);
    side->addWidget(chkGlobalAscCodeOnly_);
    side->addWidget(cmdTermClear_);
    side->addStretch(1);
    side->addWidget(lblInstDTMF_);
    auto* inst = new QHBoxLayout;
    inst->addWidget(txtInstDTMF_, 1);
    inst->addWidget(cmdInstDTMFSend_);
    side->addLayout(inst);
    lay->addLayout(side);

    connect(cmdTermClear_, &QPushButton::clicked, this, &frmMain::cmdTermClear_Click);
    connect(cmdInstDTMFSend_, &QPushButton::clicked, this, &frmMain::cmdInstDTMFSend_Click);
    connect(txtInstDTMF_, &QLineEdit::returnPressed, this, &frmMain::cmdInstDTMFSend_Click);
    connect(chkGlobalAscCodeOnly_, &QCheckBox::toggled, this, [this](bool on) { link_->setAllCharsAsCodes(on); });
    return pane;
}

void frmMain::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    panelMsg_ = Named(new QLabel, QStringLiteral("msg"));
    // Long messages wrap within the room the other panels leave, in two
    // lines kept at all times, so the window never jumps for a message.
    panelMsg_->setWordWrap(true);
    panelMsg_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panelMsg_->setFixedHeight(2 * panelMsg_->fontMetrics().lineSpacing());
    panelUnitId_ = Named(new QLabel, QStringLiteral("unitid"));
    auto* progressPanel = Named(new QWidget, QStringLiteral("progress"));
    auto* pl = new QHBoxLayout(progressPanel);
    pl->setContentsMargins(3, 2, 3, 2);   // the bar sits a little inside its panel
    picProgress_ = new ProgressBar(progressPanel);
    pl->addWidget(picProgress_);
    progressPanel->setFixedWidth(140);
    bar->addWidget(panelMsg_, 1);
    bar->addPermanentWidget(panelUnitId_);
    bar->addPermanentWidget(progressPanel);
}

void frmMain::buildDTMFStringFrame()
{
    fraDTMFStrings_ = Named(new QGroupBox(QStringLiteral("DTMF String Editor"), centralWidget()),
                            QStringLiteral("fraDTMFStrings"));
    fraDTMFStrings_->setAutoFillBackground(true);
    lstDTMFStr_ = MakeList(QStringLiteral("lstDTMFStr"), {QStringLiteral("#"), QStringLiteral("DTMFString")},
                           QStringLiteral("DTMF strings that can be sent via Send DTMF menu when "
                                          "Serial-to-DTMF is checked."));
    lstDTMFStr_->setParent(fraDTMFStrings_);
    lstDTMFStr_->header()->resizeSection(0, 34);
    lstDTMFStr_->viewport()->installEventFilter(this);
    lstDTMFStr_->installEventFilter(this);
    cmdAddDTMF_ = Named(new QPushButton(QStringLiteral("Add"), fraDTMFStrings_), QStringLiteral("cmdAddDTMF"));
    cmdAddDTMF_->setToolTip(QStringLiteral("Add a new DTMF string."));
    cmdDTMFStrOK_ = Named(new QPushButton(QStringLiteral("Done"), fraDTMFStrings_), QStringLiteral("cmdDTMFStrOK"));
    cmdDTMFStrOK_->setToolTip(QStringLiteral("Update DTMF strings in the Send DTMF menu. (Hide DTMF String Editor)"));
    auto* lay = new QVBoxLayout(fraDTMFStrings_);
    lay->addWidget(lstDTMFStr_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddDTMF_);
    buttons->addStretch(1);
    buttons->addWidget(cmdDTMFStrOK_);
    lay->addLayout(buttons);
    fraDTMFStrings_->resize(320, 260);
    fraDTMFStrings_->hide();

    mnuDTMFSeq_ = new QMenu(this);
    mnuDTMFSeq_->setObjectName(QStringLiteral("mnuDTMFSeq"));
    mnuDTMFSeqRem_ = mnuDTMFSeq_->addAction(QStringLiteral("Remove"));
    mnuDTMFSeqRem_->setObjectName(QStringLiteral("mnuDTMFSeqRem"));

    connect(cmdAddDTMF_, &QPushButton::clicked, this, &frmMain::cmdAddDTMF_Click);
    connect(cmdDTMFStrOK_, &QPushButton::clicked, this, &frmMain::cmdDTMFStrOK_Click);
    connect(mnuDTMFSeqRem_, &QAction::triggered, this, &frmMain::mnuDTMFSeqRem_Click);
}

void frmMain::buildCellEditor()
{
    QWidget* client = centralWidget();
    txtCell_ = Named(new QLineEdit(client), QStringLiteral("txtCell"));
    txtCell_->setProperty("tag", QStringLiteral("stateignore"));
    txtCell_->setMouseTracking(true);
    txtCell_->hide();

    fraHEX_ = Named(new QGroupBox(QStringLiteral("Special Characters"), client), QStringLiteral("fraHEX"));
    fraHEX_->setAutoFillBackground(true);
    auto* grid = new QGridLayout(fraHEX_);
    grid->addWidget(Named(new QLabel(QStringLiteral("ASCII Code:"), fraHEX_), QStringLiteral("lblASCCode")), 0, 0);
    txtASCCode_ = Named(new QLineEdit(fraHEX_), QStringLiteral("txtASCCode"));
    txtASCCode_->setMaximumWidth(48);
    grid->addWidget(txtASCCode_, 0, 1);
    lblASCIIChar_ = Named(new QLabel(fraHEX_), QStringLiteral("lblASCIIChar"));
    lblASCIIChar_->setMinimumWidth(20);
    grid->addWidget(lblASCIIChar_, 0, 2);
    txtASCFlag_ = Named(new QLineEdit(fraHEX_), QStringLiteral("txtASCFlag"));
    txtASCFlag_->setMaxLength(1);
    txtASCFlag_->setMaximumWidth(28);
    txtASCFlag_->setToolTip(QStringLiteral(
        "ASCII code flag character.  Note: make sure to update ALL the ascii strings (where ascii "
        "codes are used) if you change this flag character."));
    grid->addWidget(Named(new QLabel(QStringLiteral("Flag:"), fraHEX_), QStringLiteral("lblASCFlag")), 0, 3,
                    Qt::AlignRight);
    grid->addWidget(txtASCFlag_, 0, 4);
    cmdInsert_ = Named(new QPushButton(QStringLiteral("Insert"), fraHEX_), QStringLiteral("cmdInsert"));
    cmdOk_ = Named(new QPushButton(QStringLiteral("OK"), fraHEX_), QStringLiteral("cmdOk"));
    grid->addWidget(cmdInsert_, 0, 5);
    grid->addWidget(cmdOk_, 0, 6);
    grid->addWidget(Named(new QLabel(QStringLiteral("Commonly used codes:"), fraHEX_),
                          QStringLiteral("lblCommonCodes")),
                    1, 0, 1, 2);
    const QStringList captions{QStringLiteral("CR (13)"), QStringLiteral("LF (10)"), QStringLiteral("Tab (8)"),
                               QStringLiteral("ESC (27)")};
    const QStringList tags{QStringLiteral("13"), QStringLiteral("10"), QStringLiteral("8"), QStringLiteral("27")};
    for (int i = 0; i < 4; ++i) {
        cmdCIns_[i] = Named(new QPushButton(captions[i], fraHEX_), QStringLiteral("cmdCIns_%1").arg(i));
        cmdCIns_[i]->setProperty("tag", tags[i]);
        grid->addWidget(cmdCIns_[i], 2, i);
    }
    fraHEX_->adjustSize();
    fraHEX_->hide();
}

void frmMain::fillNameListsAndRows()
{
    for (int i = 1; i <= kSlotCount; ++i) {
        new QTreeWidgetItem(lstSequences_[0], QStringList{Two(i)});
        for (QComboBox* c : cmbEvent_)
            c->addItem(Two(i));
    }
    for (QComboBox* c : cmbEvent_)
        c->setCurrentIndex(0);
    for (int i = 1; i <= kSlotCount; ++i)
        new QTreeWidgetItem(lstSequences_[1], QStringList{Two(i)});
}

void frmMain::centreInClient(QWidget* frame)
{
    QWidget* client = centralWidget();
    frame->move(std::max(0, (client->width() - frame->width()) / 2),
                std::max(0, (client->height() - frame->height()) / 2));
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The floating editors stay where they belong once the layout has settled.
    QTimer::singleShot(0, this, [this] {
        if (!fraDTMFStrings_->isHidden())
            centreInClient(fraDTMFStrings_);
        if (cellEditOpen())
            placeCellEditor();
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
    rebuildTerminalCheckTexts();
    chkGlobalAscCodeOnly_->setText(QStringLiteral("Display ASCII codes for ALL chars"));
    chkGlobalAscCodeOnly_->setToolTip(QStringLiteral(
        "Tick here to enable display of all characters as their ASCII code equivelant (in "
        "terminal or upon download)."));
    MarkChanged(false);
    installStatusSink();
    LineSettings line;
    LineSettings::parse(QStringLiteral("9600,n,8,1"), &line);
    serPort_->setSettings(line);
    ControlState(false, false);
    trap([&] { fillNameListsAndRows(); });
    if (splash_)
        splash_->setStatusText(QStringLiteral("Loading KV310...Scanning ports"));
    trap([&] {
        populatePortList(true);
        const QString remembered = ReadIniValue(QString::fromLatin1(kLocalSettingsSection),
                                                QStringLiteral("ComPort"));
        const int at = cmbPort_->findText(remembered, Qt::MatchFixedString);
        if (at >= 0)
            cmbPort_->setCurrentIndex(at);
        updatePortToolTip();
    });
    LoadLocalSettings();
    trap([&] {
        show();
        lstSequences_[0]->setFocus();
        if (splash_)
            splash_->close();
    });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == txtTerminal_ && type == QEvent::KeyPress)
        return terminalKey(static_cast<QKeyEvent*>(event));
    if (watched == txtCell_) {
        if (type == QEvent::KeyPress)
            return cellEditorKey(static_cast<QKeyEvent*>(event));
        if (type == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                cellEditorFocusLost();
        } else if (type == QEvent::MouseMove) {
            cellEditorMouseMove();
        }
        return false;
    }
    if (watched == txtASCCode_ && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdInsert_Click();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cmdOk_Click();
            return true;
        }
    }
    if ((watched == txtASCCode_ || watched == txtASCFlag_) && type == QEvent::FocusIn) {
        // After the click that gave the focus has placed the caret.
        QTimer::singleShot(0, static_cast<QLineEdit*>(watched), &QLineEdit::selectAll);
        return false;
    }
    if (lstDTMFStr_ && watched == lstDTMFStr_->viewport()
        && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease))
        return dtmfListMouse(event);
    if (watched == lstDTMFStr_ && type == QEvent::KeyPress)
        return dtmfListKey(static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}
