#pragma once
#include "controlrule.h"
#include "feedbackreader.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QVBoxLayout;
class UnitLink;
struct UnitConfig;

// The terminal: what the unit sends (plain, or with invisible and special
// characters as red flag codes), typing to the unit, clearing, and the
// instant DTMF line. It reads the unit's option replies out of what arrives
// and hands them on (feedbackRead; the settings panel takes them).
class TerminalPane : public QWidget {
    Q_OBJECT
public:
    TerminalPane(const UnitConfig& config, UnitLink& link, QWidget* parent = nullptr);

    // Text the unit sent while idle.
    void terminalAppend(const QByteArray& bytes);
    // Keys typed into the terminal, sent to the unit while connected.
    void txtTerminal_KeyPress(const QString& typed);
    void cmdTermClear_Click();
    void cmdInstDTMFSend_Click();
    void tmrHighLight_Timer();
    // The check boxes' texts name the flag character (c#c).
    void rebuildCheckTexts(uint8_t flagChar);
    void setAllCodesTexts();

    QString instantDtmf() const;
    void setInstantDtmf(const QString& text);
    void setInstantDtmfEnabled(bool enabled);
    void applyRule(const ControlRule& rule);
    // A further button beside the terminal, under Clear Terminal.
    void addTool(QWidget* tool);

signals:
    void feedbackRead(const FeedbackReading& reply);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool terminalKey(QKeyEvent* e);
    void trimHistory();

    const UnitConfig& config_;
    UnitLink& link_;
    QTextEdit* txtTerminal_ = nullptr;
    QCheckBox* chkTermAscCodeDisplay_ = nullptr;
    QCheckBox* chkGlobalAscCodeOnly_ = nullptr;
    QPushButton* cmdTermClear_ = nullptr;
    QVBoxLayout* side_ = nullptr;
    QLabel* lblInstDTMF_ = nullptr;
    QLineEdit* txtInstDTMF_ = nullptr;
    QPushButton* cmdInstDTMFSend_ = nullptr;
    QTimer tmrHighLight_;
    int highlightPosition_ = 0;
    FeedbackScanner feedback_;
    bool afterCr_ = false;   // the unit's last text ended in CR
};
