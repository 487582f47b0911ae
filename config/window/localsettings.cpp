// Locals.ini: the window's place and state, the last data file, the DTMF
// strings and the instant DTMF text.
#include "mainwindow.h"

#include "datafile.h"
#include "errorlog.h"
#include "fileservices.h"
#include "inifile.h"
#include "splash.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>

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

void frmMain::RebuildDTMFMenu(const QString& joined)
{
    while (mnuDTMFStr_.size() > 1) {
        QApplication::processEvents();
        delete mnuDTMFStr_.takeLast();
    }
    if (mnuDTMFStr_.isEmpty()) {
        QAction* first = mnuSendDTMF_->addAction(QString());
        first->setObjectName(QStringLiteral("mnuDTMFStr_0"));
        connect(first, &QAction::triggered, this, [this] { mnuDTMFStr_Click(0); });
        mnuDTMFStr_.append(first);
    }
    mnuDTMFStr_[0]->setText(QStringLiteral("Not Defined"));
    mnuDTMFStr_[0]->setProperty("tag", QString());
    if (joined.isEmpty())
        return;
    const QStringList parts = joined.split(QLatin1Char(','));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            QAction* entry = mnuSendDTMF_->addAction(QString());
            entry->setObjectName(QStringLiteral("mnuDTMFStr_%1").arg(i));
            entry->setEnabled(mnuDTMFStr_[0]->isEnabled());
            connect(entry, &QAction::triggered, this, [this, i] { mnuDTMFStr_Click(i); });
            mnuDTMFStr_.append(entry);
        }
        mnuDTMFStr_[i]->setText(QStringLiteral("Send: ") + parts[i]);
        mnuDTMFStr_[i]->setProperty("tag", parts[i]);
    }
}

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
    trap([&] { RebuildDTMFMenu(ReadLocal("DTMFStrings")); });
    trap([&] {
        const QString last = ReadLocal("LastDTD");
        if (FileExists(last))
            LoadFromFile(last);
        else
            useDefaults = true;
    });
    trap([&] { txtInstDTMF_->setText(ReadLocal("InstDTMF")); });
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
    trap([&] {
        QStringList tags;
        for (QAction* entry : mnuDTMFStr_) {
            const QString tag = entry->property("tag").toString();
            if (!tag.isEmpty())
                tags.append(tag);
        }
        WriteLocal("DTMFStrings", tags.join(QLatin1Char(',')));
    });
    trap([&] { WriteLocal("InstDTMF", txtInstDTMF_->text()); });
}
