#pragma once

#include <functional>

class QWidget;

// How the windows reach each other's buttons. The main window fills these hooks when it loads;
// the tests fill them with recorders. An empty hook does nothing.
namespace Forms {

// Presses the main window's hidden test-balloon button Command6.
extern std::function<void()> PressMainCommand6;

// Shows the settings dialog (one instance: an open one comes to the front).
extern std::function<void()> ShowSettings;

// Shows the import dialog: modal over the given window, or modeless when it is null (one instance).
extern std::function<void(QWidget* modalOver)> ShowImport;

// Shows the welcome dialog of a first start without accounts.
extern std::function<void()> ShowWelcome;

// Closes the import dialog when it is open (the main window's shutdown).
extern std::function<void()> CloseImport;

// True while the welcome dialog is open.
extern std::function<bool()> WelcomeOpen;

// Calls a hook when it is set.
template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
    if (hook)
        hook(std::forward<Args>(args)...);
}

}  // namespace Forms
