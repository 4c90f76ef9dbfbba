#pragma once

#include "check/checkcycle.h"
#include "tray/trayplatform.h"

#include <memory>

class DesktopEvents;
class formMain;

// The program as a whole: how its windows are tied together and how it starts and ends.
namespace Program {

// Fills the hooks by which the windows reach each other (settings, import, welcome, test balloon).
void WireForms();

// The splash's hand-over: creates the main window, runs its start-up and ends the program when it
// is unloaded (at once, or when the user closes a welcome dialog that is still open).
formMain* LoadMainWindow(CheckCycle::Intervals intervals = {}, std::unique_ptr<TrayPlatform> trayPlatform = nullptr);

// How long after waking or the network's return the check waits: the network needs a moment.
constexpr int kWakeGraceMs = 5000;

// Ties the desktop's events to the check cycle: a cycle running when the computer goes to sleep ends
// without blame; waking and the network coming back start a check after graceMs.
void WatchDesktop(DesktopEvents& events, CheckCycle& cycle, int graceMs = kWakeGraceMs);

}  // namespace Program
