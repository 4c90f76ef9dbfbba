#pragma once

#include "tray/trayplatform.h"

#include <QVector>

// A tray without a desktop: it keeps what was asked of it and lets a test play the icon's events.
class RecordingTrayPlatform : public TrayPlatform {
    Q_OBJECT
public:
    struct Message {
        QString title;
        QString text;
        BalloonIcon icon = BalloonIcon::None;
    };

    // What the desktop offers; a test changes these before the layer asks.
    bool trayAvailable = true;
    bool canShowMessages = true;
    QPoint cursorPosition;

    // What was asked.
    bool iconVisible = false;
    QString tip;
    QIcon icon;
    QVector<Message> messages;

    bool IsTrayAvailable() const override { return trayAvailable; }
    bool CanShowMessages() const override { return canShowMessages; }
    void ShowIcon(const QIcon& newIcon, const QString& newTip) override {
        iconVisible = true;
        icon = newIcon;
        tip = newTip;
    }
    void HideIcon() override { iconVisible = false; }
    void ShowMessage(const QString& title, const QString& text, BalloonIcon balloonIcon) override {
        messages.append({title, text, balloonIcon});
        emit MessageRecorded();
    }
    QPoint CursorPosition() const override { return cursorPosition; }

    // Plays an event of the icon or a click on the balloon.
    void Activate(QSystemTrayIcon::ActivationReason reason) { emit Activated(reason); }
    void ClickMessage() { emit MessageClicked(); }

signals:
    // A balloon was asked for (after it was added to messages).
    void MessageRecorded();
};
