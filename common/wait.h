#pragma once

// Waits at least the given time while the event loop keeps running: window
// events, timers and serial port events are handled meanwhile, so callers
// must expect re-entry. Idle while waiting (no spinning).
void WaitMs(double milliseconds);
