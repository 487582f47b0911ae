#pragma once

// What ControlState decides for one call, applied by each panel to its own
// controls: the unit's settings (and Download, Upload) follow the unit; the
// editors are open for use unless everything is switched; everything else
// is switched only when all is set.
struct ControlRule {
    bool enabled = false;
    bool all = false;
    bool connected = false;

    // The controls that talk to or show the unit.
    bool unitControls() const { return enabled && connected; }
    // The sequence and DTMF string editors.
    bool editors() const { return !all || enabled; }
};
