#pragma once

// Drives modal windows (the account editor, message boxes, the file chooser) from a test: a step
// is scheduled before the click that opens the window and runs inside that window's exec().

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

// Runs the step on the window that is modal on top when the event loop next runs; nullptr when no
// window is modal then (the click opened none). Schedule it right before the click. A step still
// due when its scope object dies is dropped, so it cannot reach into a later test.
inline void OnNextModal(QObject* scope, std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, scope, [step] { step(QApplication::activeModalWidget()); });
}

// Runs the step once a window of class W is the modal window on top, for windows that open later
// than the next turn of the event loop (a button pressed from a timer, say). Gives up after a few
// seconds without running the step; like OnNextModal it is dropped with its scope object.
template <typename W>
void WhenModal(QObject* scope, std::function<void(W*)> step) {
    auto* poll = new QTimer(scope);
    poll->setInterval(10);
    auto tries = std::make_shared<int>(500);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, step, tries] {
        W* modal = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!modal && --*tries > 0)
            return;
        poll->deleteLater();
        poll->stop();
        if (modal)
            step(modal);
    });
    poll->start();
}

// What a message box showed.
struct BoxSeen {
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;  // their texts without "&"
};

inline BoxSeen Inspect(QWidget* w) {
    BoxSeen seen;
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box)
        return seen;
    seen.shown = true;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    for (QAbstractButton* b : box->buttons())
        seen.buttons << b->text().remove(QLatin1Char('&'));
    return seen;
}

// Records the next message box and presses one of its buttons (the only one when none is named).
inline void AnswerNextBox(QObject* scope, BoxSeen* seen, QMessageBox::StandardButton answer = QMessageBox::NoButton) {
    OnNextModal(scope, [seen, answer](QWidget* w) {
        *seen = Inspect(w);
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box)
            return;
        QAbstractButton* button = answer == QMessageBox::NoButton ? box->buttons().value(0) : box->button(answer);
        if (button)
            button->click();
    });
}

// Keeps a test from hanging when a step did not close its window: after a few seconds every modal
// window is closed, one a tick, and fired() reports it.
class ModalWatchdog {
public:
    ModalWatchdog() {
        timer_.setInterval(5000);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            timer_.setInterval(50);
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                fired_ = true;
                dialog->done(QDialog::Rejected);
            }
        });
        timer_.start();
    }
    bool fired() const { return fired_; }

private:
    QTimer timer_;
    bool fired_ = false;
};
