#pragma once

// Drives modal windows from a test: a step is scheduled before the click that opens the window and
// runs inside that window's exec().

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>

// Runs the step on the modal window on top when the event loop next runs (nullptr when there is
// none); dropped when scope dies first.
inline void OnNextModal(QObject* scope, std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, scope, [step] { step(QApplication::activeModalWidget()); });
}

// Runs the step once a window of class W is the modal window on top (it may open later); gives up
// after a few seconds.
template <typename W>
void WhenModal(QObject* scope, std::function<void(W*)> step) {
    auto* poll = new QTimer(scope);
    auto tries = std::make_shared<int>(500);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, step, tries] {
        W* modal = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!modal && --*tries > 0)
            return;
        poll->stop();
        poll->deleteLater();
        if (modal)
            step(modal);
    });
    poll->start(10);
}

// What a message box showed; buttons are their texts without "&".
struct BoxSeen {
    bool shown = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Records the next message box and presses one of its buttons (the first when none is named).
inline void AnswerNextBox(QObject* scope, BoxSeen* seen, QMessageBox::StandardButton answer = QMessageBox::NoButton) {
    OnNextModal(scope, [seen, answer](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        *seen = box ? BoxSeen{true, box->windowTitle(), box->text(), box->icon(), {}} : BoxSeen{};
        if (!box)
            return;
        for (QAbstractButton* b : box->buttons())
            seen->buttons << b->text().remove(QLatin1Char('&'));
        if (QAbstractButton* b = answer == QMessageBox::NoButton ? box->buttons().value(0) : box->button(answer))
            b->click();
    });
}

// Keeps a test from hanging: after a few seconds every modal window is closed, and fired() says so.
class ModalWatchdog {
public:
    ModalWatchdog() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            timer_.setInterval(50);
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                fired_ = true;
                dialog->done(QDialog::Rejected);
            }
        });
        timer_.start(5000);
    }
    bool fired() const { return fired_; }

private:
    QTimer timer_;
    bool fired_ = false;
};
