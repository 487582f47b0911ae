// Locals.ini: the window's place and state, the last data file, the DTMF
// strings and the instant DTMF text.
#include "mainwindow.h"

#include "datafile.h"
#include "dtmfstringlist.h"
#include "errorlog.h"
#include "fileservices.h"
#include "inifile.h"
#include "splash.h"
#include "terminalpane.h"

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kWinStateNormal = 0;
constexpr int kWinStateMinimised = 1;
constexpr int kWinStateMaximised = 2;

QString Section() { return QString::fromLatin1(kLocalSettingsSection); }
QString ReadLocal(const char* key) { return ReadIniValue(Section(), QString::fromLatin1(key)); }
void WriteLocal(const char* key, const QString& value)
{
    WriteIniValue(Section(), QString::fromLatin1(key), value);
}
QString Twips(int pixels) { return QString::number(float(pixels * kTwipsPerPixel)); }
} // namespace

void frmMain::LoadLocalSettings()
{
    const ProcedureTrap trap = ProcedureTrap::form("LoadLocalSettings", "frmMain");
    bool useDefaults = false;
    trap([&] {
        if (ReadLocal("WinState").trimmed().toInt() == kWinStateMaximised) {
            setWindowState(windowState() | Qt::WindowMaximized);
            return;
        }
        const QStringList size = ReadLocal("Size").split(QLatin1Char(':'));
        if (size.size() != 4)
            return;
        int px[4];
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            const float twips = size[i].trimmed().toFloat(&ok);
            if (!ok)
                return;
            px[i] = qRound(twips / kTwipsPerPixel);
        }
        move(px[0], px[1]);
        resize(px[2], px[3]);
    });
    trap([&] { dtmf_->RebuildDTMFMenu(ReadLocal("DTMFStrings")); });
    trap([&] {
        const QString last = ReadLocal("LastDTD");
        if (FileExists(last))
            LoadFromFile(last);
        else
            useDefaults = true;
    });
    trap([&] { terminal_->setInstantDtmf(ReadLocal("InstDTMF")); });
    if (useDefaults) {
        show();
        if (splash_)
            splash_->close();   // it must not cover the question that follows
        CreateNew();
    }
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
    trap([&] { WriteLocal("DTMFStrings", dtmf_->joined()); });
    trap([&] { WriteLocal("InstDTMF", terminal_->instantDtmf()); });
}
