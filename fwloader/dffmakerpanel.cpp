#include "dffmakerpanel.h"

#include "dffheader.h"
#include "dffmaker.h"
#include "dialogs.h"
#include "errorlog.h"
#include "fileservices.h"
#include "prompter.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr const char* kForm = "frmFWUpdater";
constexpr int kModelCodes = 9;   // model codes 0..8
constexpr int kChipCodes = 5;    // chip codes 0..4

} // namespace

DffMakerPanel::DffMakerPanel(CipherProgress progress, QWidget* parent)
    : QFrame(parent), progress_(std::move(progress))
{
    setObjectName(QStringLiteral("picCreateDFF"));
    setFrameShape(QFrame::StyledPanel);
    cmbUnitIdList = new QComboBox(this);
    cmbUnitIdList->setObjectName(QStringLiteral("cmbUnitIdList"));
    cmbPicIdList = new QComboBox(this);
    cmbPicIdList->setObjectName(QStringLiteral("cmbPicIdList"));
    for (int i = 0; i < 2; ++i) {
        txtFWVer[i] = new QLineEdit(QStringLiteral("0"), this);
        txtFWVer[i]->setObjectName(QStringLiteral("txtFWVer_%1").arg(i));
        txtFWVer[i]->installEventFilter(this);
    }
    cmdMakeDFF = new QPushButton(QStringLiteral("Continue"), this);
    cmdMakeDFF->setObjectName(QStringLiteral("cmdMakeDFF"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Unit ID:"), cmbUnitIdList);
    form->addRow(QStringLiteral("Chip ID:"), cmbPicIdList);
    form->addRow(new QLabel(QStringLiteral("FW Version:"), this));
    auto* version = new QHBoxLayout;
    version->addWidget(new QLabel(QStringLiteral("Major:"), this));
    version->addWidget(txtFWVer[0]);
    version->addWidget(new QLabel(QStringLiteral("Minor:"), this));
    version->addWidget(txtFWVer[1]);
    form->addRow(version);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdMakeDFF);
    buttons->addWidget(cmdCancel);
    form->addRow(buttons);

    connect(cmdMakeDFF, &QPushButton::clicked, this, &DffMakerPanel::cmdMakeDFF_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &DffMakerPanel::cmdCancel_Click);
    hide();
}

void DffMakerPanel::open()
{
    cmbUnitIdList->clear();
    for (int code = 0; code < kModelCodes; ++code)
        if (!ModelName(code).isEmpty())
            cmbUnitIdList->addItem(ModelName(code));
    cmbUnitIdList->setCurrentIndex(0);
    cmbPicIdList->clear();
    for (int code = 0; code < kChipCodes; ++code)
        if (!ChipName(code).contains(QLatin1String("known")))
            cmbPicIdList->addItem(ChipName(code) + QStringLiteral(" [") + QString::number(code) + QLatin1Char(']'));
    cmbPicIdList->setCurrentIndex(0);
    show();
    raise();
}

void DffMakerPanel::cmdCancel_Click() { hide(); }

bool DffMakerPanel::eventFilter(QObject* watched, QEvent* event)
{
    // txtFWVer_GotFocus: the whole text is selected, after the click that
    // gave the focus has placed the cursor.
    if (event->type() == QEvent::FocusIn)
        if (auto* box = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
    return QFrame::eventFilter(watched, event);
}

void DffMakerPanel::cmdMakeDFF_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("cmdMakeDFF_Click", kForm);
    const QString model = cmbUnitIdList->currentText();

    DialogParams hex;
    hex.title = QStringLiteral("Select HEX Firmware file ");
    hex.filter = model + QStringLiteral(" HEX Firmware Files (*.HEX)|*.HEX|All Files (*.*)|*.*");
    hex.filterIndex = 1;
    hex.fileMustExist = true;
    OpenDialog(hex);
    cmdCancel_Click();
    if (hex.fileName.isEmpty())
        return;

    int chip = 0;
    trap([&] {
        const QString text = cmbPicIdList->currentText();
        chip = text.left(text.size() - 1).split(QLatin1Char('[')).value(1).toInt();
    });
    DffHeader header = DffHeader::forModel(model, 0, 0, uint8_t(chip));
    trap([&] { header.Major = VersionFieldByte(txtFWVer[0]->text()); });
    trap([&] { header.Minor = VersionFieldByte(txtFWVer[1]->text()); });

    DialogParams dff;
    dff.fileName = DefaultDffName(model, txtFWVer[0]->text(), txtFWVer[1]->text());
    dff.title = QStringLiteral("Save ") + model + QStringLiteral(" Firmware File");
    dff.filter = model + QStringLiteral(" Firmware Files (*.dff)|*.dff|All Files (*.*)|*.*");
    dff.filterIndex = 1;
    dff.startFolder = GetFolder(hex.fileName);
    dff.defaultExtension = QStringLiteral("dff");
    dff.overwritePrompt = true;
    dff.hideReadOnly = true;
    dff.flags = Ofn::Explorer;
    SaveDialog(dff);
    if (dff.fileName.isEmpty())
        return;

    QString problem;
    const bool made = MakeDff(hex.fileName, dff.fileName, header, progress_, &problem);
    emit cipherEnded();
    if (!made) {
        Prompts().message(problem, MsgIcon::Critical);
        return;
    }
    Prompts().message(QStringLiteral("Encoding finished."), MsgIcon::Information);
}
