#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// What the unit link needs from whoever shows it: the main window, the
// command-line tool or a test. Status texts go through ShowStatus and
// messages through Prompts(); everything else the transfers and the receive
// handler touch is here. Every hook has a do-nothing default.
class LinkView {
public:
    virtual ~LinkView() = default;

    // Progress of a transfer: a new maximum at the start, -1 as maximum for
    // each further step, (0, 0) at the end.
    virtual void updateBar(int value, int maximum) { (void)value; (void)maximum; }
    // The "unitid" panel ("Firmware: v6 ").
    virtual void showUnitId(const QString& text) { (void)text; }
    // Shows the configuration again (all of it, or the settings only).
    virtual void displayData(bool settingsOnly) { (void)settingsOnly; }
    // Enables or disables the window's controls around transfers.
    virtual void controlState(bool enabled, bool all) { (void)enabled; (void)all; }
    // Marks the configuration as changed or saved.
    virtual void markChanged(bool changed) { (void)changed; }
    // Bytes the unit sent while idle with terminal echo on: show them in the
    // terminal and let the settings panel read the feedback.
    virtual void terminalReceived(const QByteArray& bytes) { (void)bytes; }
    // The unit did not answer an option command within its time-out.
    virtual void optionRequestTimedOut(const QString& request) { (void)request; }
    // Before an upload: verify the sequences (labels, jump loops); false stops it.
    virtual bool verifyForUpload() { return true; }
    // Before an upload: offer to save unsaved changes; false (Cancel) stops it.
    virtual bool askSaveChanges() { return true; }
    // Before an upload writes: the changes it will make (PlanChanges),
    // empty when the unit holds the configuration already; false (Cancel)
    // stops it with nothing written.
    virtual bool confirmUpload(const QStringList& changes) { (void)changes; return true; }
    // Read back after an upload, the unit differs from what was written
    // (ConfigDifferences: "- " written, "+ " read back).
    virtual void uploadMismatch(const QStringList& differences) { (void)differences; }
    // The line dropped (adapter unplugged, peer hung up): back to disconnected.
    virtual void lineDropped() {}
    // The port just connected could not be remembered in Locals.ini.
    virtual void localSettingsNotSaved(const QString& reason) { (void)reason; }
    // A command holds the unit (true) or has let it go (false): while held,
    // nothing that starts another command or changes the configuration may
    // be used.
    virtual void unitBusy(bool busy) { (void)busy; }
};
