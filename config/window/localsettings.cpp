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
#include "splash.h"
#include "terminalpane.h"

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

QString Section() { return QString::fromLatin1(kLocalSettingsSection); }
QString ReadLocal(const IniFile& ini, const char* key) { return ini.value(Section(), QString::fromLatin1(key)); }
void WriteLocal(const char* key, const QString& value)
{
    WriteIniValue(Section(), QString::fromLatin1(key), value);
}
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
    const IniFile ini = IniFile::read();   // once, not once per key
    bool useDefaults = false;
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
        const QString last = ReadLocal(ini, "LastDTD");
        if (FileExists(last))
            LoadFromFile(last);
        else
            useDefaults = true;
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
        CreateNew();
}

void frmMain::SaveLocalSettings()
{
    const ProcedureTrap trap = ProcedureTrap::form("SaveLocalSettings", "frmMain");
    int state = kWinStateNormal;
    if (windowState() & Qt::WindowMinimized)
        state = kWinStateMinimised;
    else if (windowState() & Qt::WindowMaximized)
        state = kWinStateMaximised;
    trap([&] {
        if (state == kWinStateNormal)
            WriteLocal("Size", Twips(x()) + QLatin1Char(':') + Twips(y()) + QLatin1Char(':')
                                   + Twips(width()) + QLatin1Char(':') + Twips(height()));
    });
    trap([&] { WriteLocal("LastDTD", CurrentFile()); });
    trap([&] { WriteLocal("WinState", QString::number(state)); });
    trap([&] { WriteLocal("DTMFStrings", panels_.dtmfStrings->joined()); });
    trap([&] { WriteLocal("InstDTMF", panels_.terminal->instantDtmf()); });
}
