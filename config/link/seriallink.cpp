#include "seriallink.h"

#include "errorlog.h"
#include "linkview.h"
#include "serialport.h"
#include "status.h"
#include "wait.h"

#include <QEventLoop>

namespace {
LinkView g_quietView;   // until someone shows the link
} // namespace

SerialLink::SerialLink(SerialPort* port, QObject* parent)
    : QObject(parent)
    , port_(port)
{
    tmrTimeoutDetect_.setSingleShot(true);
    tmrTimeoutDetect_.setInterval(LinkTiming::kOptionReplyTimeoutMs);
    connect(&tmrTimeoutDetect_, &QTimer::timeout, this, &SerialLink::tmrTimeoutDetect_Timer);
    connect(port_, &SerialPort::readyRead, this, &SerialLink::SerPort_OnComm);
    connect(port_, &SerialPort::errorOccurred, this, [this](SerialError error, const QString&) {
        if (error != SerialError::LineDropped)
            return;
        lineDropped_ = true;
        tmrTimeoutDetect_.stop();
        emit lineLost();
    });
}

void SerialLink::setView(LinkView* view) { view_ = view; }

LinkView& SerialLink::view() const { return view_ ? *view_ : g_quietView; }

void SerialLink::SendData(const QByteArray& text)
{
    for (int i = 0; i < LinkTiming::kBusyRetries && state_.SendBusy; ++i)
        WaitMs(LinkTiming::kBusyRetryMs);
    // A nested call that ran after the hold-back must not clear the flag
    // of the call it interrupted.
    const bool wasBusy = state_.SendBusy;
    state_.SendBusy = true;
    for (int i = 0; i < text.size(); ++i) {
        if (!port_->isOpen() || !port_->write(text.mid(i, 1))) {
            if (port_->isOpen())
                port_->close();
            break;
        }
        counters_.sendCalls += i == 0;
        ++counters_.charsSent;
        WaitMs(i == 0 ? LinkTiming::kFirstCharPauseMs : LinkTiming::kNextCharPauseMs);
    }
    state_.SendBusy = wasBusy;
}

void SerialLink::SendEach(const QByteArray& bytes)
{
    for (char b : bytes)
        SendData(QByteArray(1, b));
}

void SerialLink::Pause(int ms)
{
    counters_.fixedWaitMs += ms;
    WaitMs(ms);
}

QByteArray SerialLink::GetRawBuffer(bool returnWhenEmpty)
{
    QByteArray result;
    if (!port_->isOpen())
        return result;
    ++counters_.replyReads;

    QEventLoop loop;
    QTimer responseBound;   // tmrResponse: bounds the whole call
    responseBound.setSingleShot(true);
    responseBound.setTimerType(Qt::PreciseTimer);
    QTimer silence;         // restarted by every arrival: a reply ends in silence
    silence.setSingleShot(true);
    silence.setTimerType(Qt::PreciseTimer);

    auto take = [&] {
        if (!port_->isOpen()) {
            loop.quit();
            return;
        }
        if (port_->bytesAvailable() > 0) {
            result += port_->readAll();
            silence.start(LinkTiming::kReplySilenceMs);
        }
    };
    connect(&responseBound, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&silence, &QTimer::timeout, &loop, [&] {
        take();
        if (silence.isActive())
            return;   // the last look found more
        if (!result.isEmpty() || returnWhenEmpty)
            loop.quit();
    });
    connect(port_, &SerialPort::readyRead, &loop, take);
    connect(port_, &SerialPort::errorOccurred, &loop, [&](SerialError error, const QString&) {
        if (error == SerialError::LineDropped || !port_->isOpen())
            loop.quit();
    });

    responseBound.start(LinkTiming::kReplyBoundMs);
    silence.start(LinkTiming::kReplySilenceMs);
    take();
    if (port_->isOpen() && !lineDropped_)
        loop.exec();
    if (port_->isOpen() && port_->bytesAvailable() > 0)
        result += port_->readAll();
    counters_.bytesReceived += result.size();
    return result;
}

bool SerialLink::WaitReady(const QByteArray& command)
{
    const ProcedureTrap trap("WaitReady", "modDataComm");
    bool saved = false;
    bool ready = false;
    KV310EchoState(false, saved);
    for (int attempt = 0; attempt < LinkTiming::kReadyAttempts && !ready; ++attempt) {
        if (!port_->isOpen())
            break;
        trap([&] {
            if (!command.isEmpty()) {
                if (attempt > 0) {
                    SendData(QByteArray(1, UnitCommand::kLeaveMode));
                    Pause(LinkTiming::kModeRetryPauseMs);
                }
                SendData(command);
            }
            const QByteArray reply = GetRawBuffer(true);
            ready = reply.endsWith(UnitCommand::kReady);
        });
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
    for (int attempt = 0; attempt < 2 && port_->isOpen(); ++attempt) {
        QByteArray reply;
        trap([&] {
            SendData(UnitCommand::kReadMode);
            reply = GetRawBuffer(false);
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
