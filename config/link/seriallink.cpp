#include "seriallink.h"

#include "errorlog.h"
#include "linkview.h"
#include "serialport.h"
#include "status.h"
#include "wait.h"

#include <QScopedValueRollback>

#include <cmath>

namespace {
LinkView g_quietView;   // until someone shows the link

// The answer to a mode request or a write is complete at its ready character.
bool EndsReady(const QByteArray& reply) { return reply.endsWith(UnitCommand::kReady); }
} // namespace

SerialLink::SerialLink(SerialPort* port, QObject* parent)
    : QObject(parent)
    , port_(port)
    , reader_(*port, this)
{
    reader_.setObjectName(QStringLiteral("tmrResponse"));
    tmrTimeoutDetect_.setSingleShot(true);
    tmrTimeoutDetect_.setInterval(timing_.optionReplyTimeoutMs);
    connect(&tmrTimeoutDetect_, &QTimer::timeout, this, &SerialLink::tmrTimeoutDetect_Timer);
    connect(port_, &SerialPort::readyRead, this, &SerialLink::SerPort_OnComm);
    connect(port_, &SerialPort::errorOccurred, this, [this](SerialError error, const QString&) {
        if (error == SerialError::LineDropped)
            onLineDropped();
    });
}

void SerialLink::onLineDropped()
{
    if (lineDropped_)
        return;
    lineDropped_ = true;
    tmrTimeoutDetect_.stop();
    if (port_->isOpen())
        port_->close();
    emit lineLost();
}

void SerialLink::setView(LinkView* view) { view_ = view; }

void SerialLink::setTiming(const LinkTiming& timing)
{
    timing_ = timing;
    tmrTimeoutDetect_.setInterval(timing_.optionReplyTimeoutMs);
}

void SerialLink::setNetworkLine(bool network, int roundTripMs)
{
    network_ = network;
    roundTripMs_ = network ? qMax(0, roundTripMs) : 0;
    pauseMs_ = network ? kUnknownPauseMs : 0;
}

void SerialLink::learnReplyPauses()
{
    if (network_)
        pauseMs_ = qBound(0, int(std::ceil(1.5 * reader_.lastLongestPauseMs())), kMaxPauseMs);
}

LinkView& SerialLink::view() const { return view_ ? *view_ : g_quietView; }

void SerialLink::SendData(const QByteArray& text)
{
    for (int i = 0; i < kBusyRetries && state_.SendBusy; ++i)
        WaitMs(timing_.busyRetryMs);
    // A nested call that ran after the hold-back leaves the flag as the
    // call it interrupted has it.
    const QScopedValueRollback busy(state_.SendBusy, true);
    const bool wasOpen = port_->isOpen();
    const qsizetype sent = WritePaced(*port_, text, timing_.pacing);
    counters_.sendCalls += sent > 0;
    counters_.charsSent += sent;
    lastPauseMs_ = sent == 1 ? timing_.pacing.firstCharMs : sent > 1 ? timing_.pacing.nextCharMs : 0;
    // A port that takes no more bytes is as gone as one that hung up.
    if (wasOpen && sent < text.size())
        onLineDropped();
}

void SerialLink::SendEach(const QByteArray& bytes)
{
    for (char b : bytes)
        SendData(QByteArray(1, b));
}

void SerialLink::Pause(int ms)
{
    lastPauseMs_ = 0;
    counters_.fixedWaitMs += ms;
    WaitMs(ms);
}

QByteArray SerialLink::PauseCollecting(int ms, qsizetype maxBytes)
{
    lastPauseMs_ = 0;
    counters_.fixedWaitMs += ms;
    if (!port_->isOpen() || lineDropped_) {
        WaitMs(ms);
        return QByteArray();
    }
    ReplyLimits limits;
    limits.silenceMs = ms;
    limits.boundMs = timing_.replyBoundMs;
    limits.returnWhenEmpty = true;
    limits.maxBytes = maxBytes;
    const QByteArray late = reader_.read(limits);
    counters_.bytesReceived += late.size();
    return late;
}

QByteArray SerialLink::GetRawBuffer(bool returnWhenEmpty, qsizetype maxBytes,
                                    const std::function<bool(const QByteArray&)>& complete)
{
    if (!port_->isOpen())
        return QByteArray();
    ++counters_.replyReads;
    // Once the line has dropped nothing more is awaited.
    QByteArray result = lineDropped_
        ? port_->readAll().left(maxBytes + 1)
        : reader_.read({timing_.replySilenceMs, timing_.replyBoundMs, returnWhenEmpty, maxBytes, roundTripMs_,
                        pauseMs_, complete});
    counters_.bytesReceived += result.size();
    // The reply began while the request's last pause ran: its first bytes
    // came during that pause, after the last character's own wire time.
    const double byteMs = 1e3 * kBitsPerByte / qMax(1, port_->settings().baud);
    counters_.overlappedMs += qMax(0.0, qMin(double(result.size()) * byteMs, lastPauseMs_ - byteMs));
    lastPauseMs_ = 0;
    return result;
}

qint64 SerialLink::drainInput()
{
    const qint64 dropped = port_->isOpen() ? port_->discardInput() : 0;
    counters_.bytesDrained += dropped;
    return dropped;
}

bool SerialLink::WaitReady(const QByteArray& command)
{
    const ProcedureTrap trap("WaitReady", "modDataComm");
    bool saved = false;
    bool ready = false;
    int asked = 0;      // mode requests sent
    int answered = 0;   // ready characters received
    KV310EchoState(false, saved);
    if (!command.isEmpty())
        drainInput();
    for (int attempt = 0; attempt < kReadyAttempts && !ready; ++attempt) {
        if (!port_->isOpen())
            break;
        trap([&] {
            if (!command.isEmpty()) {
                if (attempt > 0) {
                    SendData(QByteArray(1, UnitCommand::kLeaveMode));
                    Pause(timing_.modeRetryPauseMs);
                }
                SendData(command);
                ++asked;
            }
            const QByteArray reply = GetRawBuffer(true, kMaxReplyBytes, EndsReady);
            answered += int(reply.count(UnitCommand::kReady));
            ready = reply.endsWith(UnitCommand::kReady);
        });
    }
    while (ready && answered < asked && port_->isOpen() && !lineDropped_) {
        QByteArray late;
        trap([&] { late = GetRawBuffer(false, kMaxReplyBytes, EndsReady); });
        if (late.isEmpty())
            break;
        answered += int(late.count(UnitCommand::kReady));
    }
    KV310EchoState(true, saved);
    trap([&] { GetRawBuffer(true); });
    return ready;
}

bool SerialLink::IsResponding()
{
    const ProcedureTrap trap("IsResponding", "modDataComm");
    bool saved = false;
    bool result = false;
    KV310EchoState(false, saved);
    drainInput();
    for (int attempt = 0; attempt < 2 && port_->isOpen(); ++attempt) {
        QByteArray reply;
        trap([&] {
            SendData(UnitCommand::kReadMode);
            reply = GetRawBuffer(false, kMaxReplyBytes, EndsReady);
        });
        if (reply.endsWith(UnitCommand::kReady)) {
            trap([&] { SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
            result = true;
            state_.UnitConnected = true;
            break;
        }
        if (attempt == 0)
            trap([&] { SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
        else
            state_.UnitConnected = false;
    }
    KV310EchoState(true, saved);
    return result;
}

void SerialLink::KV310EchoState(bool enable, bool& saved)
{
    if (enable) {
        state_.TerminalEchoOn = true;
        state_.InputHandlingOn = saved;
    } else {
        saved = state_.InputHandlingOn;
        state_.TerminalEchoOn = false;
        state_.InputHandlingOn = false;
    }
}

void SerialLink::sendOption(const QByteArray& command)
{
    // Armed before sending: an answer that comes while the command's last
    // characters are still paced out must find the time-out running.
    pendingRequest_ = QString::fromLatin1(command) + QStringLiteral(" request.");
    tmrTimeoutDetect_.start();
    SendData(command);
    ShowStatus(QString::fromLatin1(command) + QStringLiteral(" sent"));
}

void SerialLink::SerPort_OnComm()
{
    if (!state_.InputHandlingOn || !port_->isOpen())
        return;
    const QByteArray bytes = port_->readAll();
    tmrTimeoutDetect_.stop();
    if (!state_.TerminalEchoOn || bytes.isEmpty())
        return;
    const ProcedureTrap trap = ProcedureTrap::form("SerPort_OnComm", "frmMain");
    trap([&] { view().terminalReceived(bytes); });
}

void SerialLink::tmrTimeoutDetect_Timer()
{
    tmrTimeoutDetect_.stop();
    const QString request = pendingRequest_;
    pendingRequest_.clear();
    view().optionRequestTimedOut(request);
}
