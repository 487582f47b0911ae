// Locals.ini: the port last used, the window's place and state, the last
// data file, the DTMF strings and the instant DTMF text.
#include "mainwindow.h"

#include "datafile.h"
#include "dtmfstringlist.h"
#include "errorlog.h"
#include "fileservices.h"
#include "inifile.h"
#include "portrow.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "splash.h"
#include "status.h"
#include "terminalpane.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <optional>

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kWinStateNormal = 0;
constexpr int kWinStateMinimised = 1;
constexpr int kWinStateMaximised = 2;

// Saved places larger than this are damaged values, not screens.
constexpr float kMaxTwips = 1e7f;
// How much of the window's top edge must lie on a screen to grab it.
constexpr int kGrabWidth = 100;
constexpr int kGrabHeight = 30;

// The settings' error number in the error log: "Path/File access error".
constexpr int kSettingsAccessError = 75;

QString Section() { return QString::fromLatin1(kLocalSettingsSection); }
QString ReadLocal(const IniFile& ini, const char* key) { return ini.value(Section(), QString::fromLatin1(key)); }
QString Twips(int pixels) { return QString::number(float(pixels * kTwipsPerPixel)); }

// The window's place from "Size": four finite numbers of twips of a sane
// size ("nan", "inf" or 1e38 are damage); nothing otherwise.
std::optional<QRect> SavedPlace(const QString& size)
{
    const QStringList parts = size.split(QLatin1Char(':'));
    if (parts.size() != 4)
        return std::nullopt;
    int px[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const float twips = parts[i].trimmed().toFloat(&ok);
        if (!ok || !std::isfinite(twips) || std::fabs(twips) > kMaxTwips)
            return std::nullopt;
        px[i] = qRound(twips / kTwipsPerPixel);
    }
    if (px[2] <= 0 || px[3] <= 0)
        return std::nullopt;
    return QRect(px[0], px[1], px[2], px[3]);
}

// A place whose top edge cannot be grabbed on any screen (a monitor since
// removed, a damaged value) is moved onto the screen nearest to it.
QPoint OnAScreen(const QRect& place)
{
    const QRect topEdge(place.left(), place.top(), place.width(), kGrabHeight);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shown = topEdge.intersected(screen->availableGeometry());
        if (shown.width() >= qMin(kGrabWidth, place.width()) && shown.height() == kGrabHeight)
            return place.topLeft();
    }
    const QScreen* screen = QGuiApplication::screenAt(place.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return place.topLeft();
    const QRect avail = screen->availableGeometry();
    return {qBound(avail.left(), place.left(), qMax(avail.left(), avail.right() + 1 - place.width())),
            qBound(avail.top(), place.top(), qMax(avail.top(), avail.bottom() + 1 - place.height()))};
}
} // namespace

void frmMain::LoadLocalSettings()
{
    const ProcedureTrap trap = ProcedureTrap::form("LoadLocalSettings", "frmMain");
    const IniFile ini = localSettings_.read();   // once, not once per key
    bool useDefaults = false;
    bool keepLast = false;   // LastDTD names a file that could not be loaded
    QString whyDefaults;
    trap([&] {
        // Its number, then the adapter itself, found again when its number moved.
        panels_.portRow->choose(ReadLocal(ini, "ComPort"));
        panels_.portRow->chooseAdapter(ReadLocal(ini, "ComPortId"));
    });
    trap([&] {
        if (ReadLocal(ini, "WinState").trimmed().toInt() == kWinStateMaximised) {
            setWindowState(windowState() | Qt::WindowMaximized);
            return;
        }
        if (const std::optional<QRect> place = SavedPlace(ReadLocal(ini, "Size"))) {
            resize(place->size());
            move(OnAScreen(QRect(place->topLeft(), size())));
        }
    });
    trap([&] { panels_.dtmfStrings->RebuildDTMFMenu(ReadLocal(ini, "DTMFStrings")); });
    trap([&] {
        // A last file that cannot be read (its reader said why) or is not
        // there gives the defaults; LastDTD keeps naming it until the user
        // opens, saves or starts another, so it opens again once it can.
        const QString last = ReadLocal(ini, "LastDTD");
        if (FileExists(last) && LoadFromFile(last))
            return;
        useDefaults = true;
        keepLast = !last.isEmpty();
        const QString shown = QDir::toNativeSeparators(last);
        if (last.isEmpty() || FileExists(last))
            return;
        whyDefaults = QFileInfo::exists(last)
            ? QStringLiteral("The last data file %1 is no regular file: the defaults are loaded.").arg(shown)
            : QStringLiteral("The last data file %1 is not there: the defaults are loaded.").arg(shown);
    });
    trap([&] { panels_.terminal->setInstantDtmf(ReadLocal(ini, "InstDTMF")); });
    if (useDefaults || !ini.readable()) {
        show();
        if (splash_)
            splash_->close();   // it must not cover the questions that follow
    }
    if (!ini.readable())
        Prompts().message(QStringLiteral("Unable to read the local settings ") + LocalSettingsPath()
                              + QStringLiteral(". ") + ini.error()
                              + QStringLiteral("\r\n\r\nThe program starts with its defaults and leaves that "
                                               "file as it is."),
                          MsgIcon::Exclamation);
    if (useDefaults)
        CreateNew(whyDefaults);
    if (keepLast)
        fileChangesAtStart_ = CurrentFileChanges();
}

void frmMain::SaveLocalSettings()
{
    const ProcedureTrap trap = ProcedureTrap::form("SaveLocalSettings", "frmMain");
    int state = kWinStateNormal;
    if (windowState() & Qt::WindowMinimized)
        state = kWinStateMinimised;
    else if (windowState() & Qt::WindowMaximized)
        state = kWinStateMaximised;
    IniValues values;
    trap([&] {
        if (state == kWinStateNormal)
            values.append({QStringLiteral("Size"), Twips(x()) + QLatin1Char(':') + Twips(y()) + QLatin1Char(':')
                                                       + Twips(width()) + QLatin1Char(':') + Twips(height())});
        // A last file that could not be loaded stays LastDTD until the user
        // opened, saved or started another.
        if (fileChangesAtStart_ < 0 || CurrentFileChanges() != fileChangesAtStart_)
            values.append({QStringLiteral("LastDTD"), CurrentFile()});
        values.append({QStringLiteral("WinState"), QString::number(state)});
        values.append({QStringLiteral("DTMFStrings"), panels_.dtmfStrings->joined()});
        values.append({QStringLiteral("InstDTMF"), panels_.terminal->instantDtmf()});
    });
    // Only what this window changed: another window's values stay.
    QString error;
    if (!localSettings_.saveChanged(values, &error))
        localSettingsNotSaved(error);
}

void frmMain::localSettingsNotSaved(const QString& reason)
{
    const ProcedureTrap trap = ProcedureTrap::form("SaveLocalSettings", "frmMain");
    trap([&] { throw RuntimeError(kSettingsAccessError, reason); });
    if (settingsErrorShown_)
        return;
    settingsErrorShown_ = true;
    QString text = QStringLiteral("Unable to save the local settings to %1. %2")
                       .arg(QDir::toNativeSeparators(LocalSettingsPath()), reason);
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    ShowStatus(text);
    Prompts().message(text, MsgIcon::Exclamation);
}
