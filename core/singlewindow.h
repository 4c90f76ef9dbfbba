#pragma once

#include <QPointer>
#include <QWidget>

// Windows of which the program shows one at a time: the settings, import, welcome and
// notification windows, the splash, the account editor and the main window. Each kind keeps its
// open window in a slot of its own; a window leaving the screen for good releases the slot, so the
// next request creates a new one even before the old one is deleted.
namespace SingleWindow {

template <typename W>
QPointer<W>& Slot() {
    static QPointer<W> window;
    return window;
}

// The open window of kind W, made by make() when there is none.
template <typename W, typename Make>
W* Get(Make make) {
    QPointer<W>& slot = Slot<W>();
    if (!slot)
        slot = make();
    return slot;
}

// Frees the slot when it still holds this window.
template <typename W>
void Release(W* window) {
    if (Slot<W>() == window)
        Slot<W>() = nullptr;
}

// Closes the open window of kind W; does nothing when there is none.
template <typename W>
void CloseIfOpen() {
    if (W* window = Slot<W>())
        window->close();
}

// Shows a window and brings it in front of the others, with the keyboard.
inline void ToFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace SingleWindow
