#pragma once

#include <functional>

class QWidget;

// How the dialogs reach buttons of windows they cannot know. The program fills these hooks at start;
// the tests fill them with recorders. An empty hook does nothing.
namespace Forms {

// Presses the main window's hidden test-balloon button Command6.
extern std::function<void()> PressMainCommand6;

// Shows the import dialog: modal over the given window, or modeless when it is null (one instance).
extern std::function<void(QWidget* modalOver)> ShowImport;

// Calls a hook when it is set.
template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
    if (hook)
        hook(std::forward<Args>(args)...);
}

}  // namespace Forms
