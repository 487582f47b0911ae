#pragma once
#include "linkview.h"

class frmMain;

// How the unit link reaches the main window: progress, the firmware panel,
// showing and marking the configuration, enabling, the terminal, and the
// questions before an upload.
class WindowLinkView : public LinkView {
public:
    explicit WindowLinkView(frmMain& window) : window_(window) {}

    void updateBar(int value, int maximum) override;
    void showUnitId(const QString& text) override;
    void displayData(bool settingsOnly) override;
    void controlState(bool enabled, bool all) override;
    void markChanged(bool changed) override;
    void terminalReceived(const QByteArray& bytes) override;
    void optionRequestTimedOut(const QString& request) override;
    bool verifyForUpload() override;
    bool askSaveChanges() override;
    // The changes, with Upload and Cancel, unless the user chose not to
    // see them again ("ShowUploadChanges" in Locals.ini, on by default).
    bool confirmUpload(const QStringList& changes) override;
    void uploadMismatch(const QStringList& differences) override;
    void lineDropped() override;
    void localSettingsNotSaved(const QString& reason) override;
    void unitBusy(bool busy) override;

private:
    frmMain& window_;
};
