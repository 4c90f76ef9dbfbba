#pragma once

#include "check/checkcycle.h"
#include "tray/trayplatform.h"

#include <memory>

class formMain;

// The program as a whole: how its windows are tied together and how it starts and ends.
namespace Program {

// Fills the hooks by which the windows reach each other (settings, import, welcome, test balloon).
void WireForms();

// The splash's hand-over: creates the main window, runs its start-up and ends the program when it
// is unloaded (at once, or when the user closes a welcome dialog that is still open).
formMain* LoadMainWindow(CheckCycle::Intervals intervals = {}, std::unique_ptr<TrayPlatform> trayPlatform = nullptr);

}  // namespace Program
