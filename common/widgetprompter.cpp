#include "widgetprompter.h"

#include "appinfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// CommDlgExtendedError's "could not initialise" code: no GUI to show on.
constexpr quint32 kDialogInitFailed = 0x0002;

QMessageBox::Icon ToBoxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString BoxTitle(const QString& title)
{
    if (!title.isEmpty())
        return title;
    return App().title.isEmpty() ? QApplication::applicationName() : App().title;
}

// Qt adds the default suffix only to a name that has none: the proposed
// "KV310 Firmware v3.7" has one ("7") and would be saved as it stands.
// While the default type's filter is chosen, the suffix is added to any
// name not already ending in it, and the overwrite question is asked about
// the file that will really be written.
class SuffixingFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    // What the user chose, the added suffix included.
    QStringList chosen() const { return suffixed_.isEmpty() ? selectedFiles() : QStringList{suffixed_}; }

    void accept() override
    {
        suffixed_.clear();
        const QString path = withDefaultSuffix();
        if (path.isEmpty()) {
            QFileDialog::accept();
            return;
        }
        if (!testOption(DontConfirmOverwrite) && QFileInfo::exists(path)
            && QMessageBox::warning(this, windowTitle(),
                                    tr("%1 already exists.\nDo you want to replace it?")
                                        .arg(QFileInfo(path).fileName()),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                != QMessageBox::Yes)
            return;
        suffixed_ = path;
        QDialog::accept();
    }

private:
    // The one chosen path with the default suffix added, or empty when the
    // name needs none (or the dialog opens, or another type is chosen).
    QString withDefaultSuffix() const
    {
        const QString suffix = defaultSuffix();
        const QStringList files = selectedFiles();
        if (acceptMode() != AcceptSave || suffix.isEmpty() || files.size() != 1
            || !selectedNameFilter().contains(QStringLiteral("*.") + suffix, Qt::CaseInsensitive))
            return QString();
        const QFileInfo file(files.first());
        if (file.fileName().isEmpty() || file.isDir()
            || file.suffix().compare(suffix, Qt::CaseInsensitive) == 0)
            return QString();
        return files.first() + QLatin1Char('.') + suffix;
    }

    QString suffixed_;
};

QString QtPatterns(const QString& pattern)
{
    QStringList out;
    for (QString p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        out.append(p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

QString DialogNameFilter(const QString& description, const QString& pattern)
{
    const QString patterns = QtPatterns(pattern);
    // The dialog takes the patterns from the description's last "(...)":
    // swap that for the real patterns, or add it when there is none.
    static const QRegularExpression trailing(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QString text = description;
    text.remove(trailing);
    return text + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

MsgAnswer WidgetPrompter::message(const QString& text, MsgIcon icon, MsgButtons buttons,
                                  const QString& title)
{
    QMessageBox box(ToBoxIcon(icon), BoxTitle(title), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: break;
    }
    // Closed without a button: the escape answer.
    switch (buttons) {
    case MsgButtons::YesNo: return MsgAnswer::No;
    case MsgButtons::YesNoCancel: return MsgAnswer::Cancel;
    case MsgButtons::Ok: break;
    }
    return MsgAnswer::Ok;
}

bool WidgetPrompter::fileDialog(FileDialogRequest& request)
{
    request.chosen.clear();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        request.errorCode = kDialogInitFailed;
        return false;
    }
    const bool open = request.kind == FileDialogRequest::Kind::Open;
    SuffixingFileDialog dialog(QApplication::activeWindow(), request.title);
#ifndef Q_OS_WIN
    // Qt's own dialog matches the filters without regard to case, as the
    // programs' users expect of "*.dff" against "UNIT.DFF".
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (open)
        dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                           : request.fileMustExist ? QFileDialog::ExistingFile
                                                   : QFileDialog::AnyFile);
    else
        dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, open || !request.overwritePrompt);
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);

    QStringList nameFilters;
    for (qsizetype i = 0; i < request.filters.size(); ++i)
        nameFilters.append(DialogNameFilter(request.filters.at(i), request.patterns.value(i)));
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters.value(qBound(1, request.filterIndex, int(nameFilters.size())) - 1));
    }

    const QString folder = request.startFolder.isEmpty() ? QFileInfo(request.initialName).path()
                                                         : request.startFolder;
    if (!folder.isEmpty() && QDir(folder).exists())
        dialog.setDirectory(folder);
    if (!request.initialName.isEmpty())
        dialog.selectFile(QFileInfo(request.initialName).fileName());

    if (dialog.exec() != QDialog::Accepted)
        return false;
    for (const QString& path : dialog.chosen())
        request.chosen.append(QDir::toNativeSeparators(path));
    const qsizetype filter = nameFilters.indexOf(dialog.selectedNameFilter());
    if (filter >= 0)
        request.filterIndex = int(filter) + 1;
    return !request.chosen.isEmpty();
}

void WidgetPrompter::openWithViewer(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool WidgetPrompter::review(ReviewRequest& request)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("reviewDialog"));
    dialog.setWindowTitle(BoxTitle(request.title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(request.text);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* list = new QPlainTextEdit(request.lines.join(QLatin1Char('\n')));
    list->setObjectName(QStringLiteral("reviewList"));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list->setMinimumSize(560, 240);
    layout->addWidget(list);
    QCheckBox* dontShow = nullptr;
    if (!request.dontShowText.isEmpty()) {
        dontShow = new QCheckBox(request.dontShowText);
        dontShow->setObjectName(QStringLiteral("reviewDontShow"));
        layout->addWidget(dontShow);
    }
    auto* buttons = new QDialogButtonBox;
    QPushButton* accept = buttons->addButton(request.acceptText, QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    accept->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    request.dontShowAgain = dontShow && dontShow->isChecked();
    return accepted;
}
