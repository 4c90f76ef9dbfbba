#pragma once

#include "check/checkcycle.h"
#include "tray/trayplatform.h"

#include <QWidget>
#include <memory>

class CheckCycle;
class ListView;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class Tray;

// The main window "Postfalke", normally hidden behind the tray icon. It owns everything that runs in
// the background: the check cycle with its timers and socket, the protocol and result lists, and
// the tray icon with its popup menu. Loading it starts the program proper; unloading it ends it.
class formMain : public QWidget {
    Q_OBJECT
public:
    // The check intervals and the tray platform are seams for the tests; the program uses the
    // one-minute tick, the ten-second watchdog and the desktop's tray.
    explicit formMain(CheckCycle::Intervals intervals = {}, std::unique_ptr<TrayPlatform> trayPlatform = nullptr);
    ~formMain() override;

    // The loaded main window, or null before the splash has loaded it and after it was unloaded.
    static formMain* Instance();

    // The start-up: settings and accounts, welcome dialog, tray icon, placement, lists, first check.
    void Form_Load();

    // Shows the main window, modeless (left click on the tray icon, "Postfalke anzeigen").
    void ShowMainWindow();
    // Opens the tray menu at the given position.
    void PopUpMenu(const QPoint& position);
    // Ends the program without a question (the tray menu's "Beenden", or after the question).
    void Quit();

    // The text of the question of "Beenden" and of the test balloon.
    static QString QuitQuestion();
    static QString TestBalloonText();

    QFrame* Shape1;
    QLabel* Label1;
    ListView* ListView1;  // results of the cycles that found mail
    ListView* ListView2;  // protocol
    QPushButton* Command1;  // "Minimieren", also Esc
    QPushButton* Command2;  // "Einstellungen"
    QPushButton* Command3;  // "Beenden"
    QPushButton* Command7;  // "?"
    QPushButton* Command8;  // "Menü": the tray menu, shown where there is no tray
    QPushButton* Command6;  // hidden: test balloon

    QMenu* mnuPopUp;
    QAction* mnuAbfrage;
    QAction* mnuEMailProgramm;
    QAction* mnuAnzeigen;
    QAction* mnuEinstellungen;
    QAction* mnuImport;
    QAction* mnuInfo;
    QAction* mnuBeenden;

    CheckCycle& Cycle() { return *cycle_; }
    Tray& TrayIcon() { return *tray_; }

signals:
    // The main window has been unloaded: the program ends when no window of it remains.
    void Unloaded();

protected:
    bool event(QEvent* event) override;
    // The close box hides the window; only Quit ends the program.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    // Bottom right corner of the screen.
    void PlaceBottomRight();
    void SetUpLists();
    void Command3_Click();
    void Command6_Click();
    void Form_Unload();

    CheckCycle* cycle_;
    Tls::PromptMemory certificatePrompts_;
    Tray* tray_;
    bool unloaded_ = false;
    bool quitting_ = false;
    QSize placedFrame_;  // the frame's size when the window was last put in its corner
};
