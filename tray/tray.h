#pragma once

#include "tray/trayplatform.h"

#include <QIcon>
#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>

// The events of the tray icon as the program tells them apart.
enum class TrayEvent {
    LeftButtonUp,    // Qt's Trigger: a plain click
    RightButtonUp,   // Qt's Context: the context-menu click
    DoubleClick,
    MiddleClick,
    Unknown,
    BalloonClicked,
};

TrayEvent TrayEventFromReason(QSystemTrayIcon::ActivationReason reason);

// What the main window does for the tray. An empty action does nothing.
struct TrayActions {
    std::function<void()> ShowMainWindow;
    std::function<void()> BringMainWindowToFront;
    std::function<void(const QPoint& mousePosition)> PopUpMenu;
};

// The program's tray icon with its tip, its balloons and the decoding of its events.
class Tray : public QObject {
    Q_OBJECT
public:
    // The longest balloon title and text; longer ones are cut.
    static constexpr int BalloonTitleLength = 63;
    static constexpr int BalloonTextLength = 255;

    // Without a platform the real desktop tray is used.
    explicit Tray(TrayActions actions, std::unique_ptr<TrayPlatform> platform = nullptr, QObject* parent = nullptr);
    ~Tray() override;

    // Shows the icon with the tip "Postfalke" and installs the event handling (InstallTrayWindowProc).
    void AddTrayIcon();
    // Takes the icon out of the tray.
    void RemoveTrayIcon();
    // Shows the outcome of the last check in the icon's tip; while an account failed, the icon
    // carries a warning mark. Kept for an icon that is added later.
    void ShowCheckState(const QString& tip, bool failed);
    // Shows a balloon at the icon (icon flag 1 = information), title and text cut to their lengths.
    // Where the desktop cannot show messages nothing appears and nothing fails.
    void ShowBalloon(int iconFlag, const QString& title, const QString& text);

    // Connects the tray's events to TrayWindowProc; once only, a second call does nothing.
    void InstallTrayWindowProc();
    // Disconnects them; does nothing when they are not connected.
    void RemoveTrayWindowProc();
    // Acts on one event: left button -> show the main window; right button -> main window to the
    // front, then the popup menu at the mouse position; balloon click -> start the e-mail program
    // through the shell; any other event -> nothing. A failing action does not stop the others.
    void TrayWindowProc(TrayEvent event);

    bool IsIconAdded() const { return iconAdded_; }
    bool IsTrayWindowProcInstalled() const { return static_cast<bool>(activatedConnection_); }
    // False where the desktop offers no tray at all: the main window must then show itself, or the
    // user could not reach the program.
    bool TrayAvailable() const;
    TrayPlatform& Platform() { return *platform_; }

    // The tip of the icon, "Postfalke".
    static QString TipText();
    static QString CutBalloonTitle(const QString& title);
    static QString CutBalloonText(const QString& text);
    // The program's icon: "images/postfalke.png" in the program's folder, or a drawn stand-in when
    // that file is missing, so the tray never shows an empty place.
    static QIcon ProgramIcon();
    // The program's icon with a small warning triangle in its lower right corner.
    static QIcon WarningIcon();

private:
    TrayActions actions_;
    std::unique_ptr<TrayPlatform> platform_;
    bool iconAdded_ = false;
    QString tip_;
    bool failed_ = false;
    // A balloon click waits for the end of the event that reported it: an XEmbed tray reports a
    // press on the icon while a balloon shows as a balloon click too, followed by the icon's event.
    bool balloonClickPending_ = false;
    QMetaObject::Connection activatedConnection_;
    QMetaObject::Connection messageConnection_;
};
