#pragma once

#include <QDialog>
#include <QSize>
#include <functional>

class QLabel;
class QTimer;

// One window for two uses: the splash at program start, which after one second or at a click on
// its logo loads the main window and closes; and the about window, which stays until its logo is
// clicked. The hidden label Label2 holds the mode: "Nein" = splash, anything else = about.
// One instance: created on first use, destroyed when closed.
class formSplash : public QDialog {
    Q_OBJECT
public:
    using LoadMainWindow = std::function<void()>;

    // The window, created and loaded when it does not exist; a new one is a splash that calls
    // loadMainWindow once (null: nothing to load). An existing window keeps its own.
    static formSplash* Instance(LoadMainWindow loadMainWindow = {});
    // The window when it exists, else null.
    static formSplash* Existing();
    // Closes the window when it is open (the main window's shutdown); else does nothing.
    static void CloseIfOpen();

    // Program start: creates the splash and shows it without waiting for it.
    static formSplash* ShowSplash(LoadMainWindow loadMainWindow);
    // The tray menu's "Info": puts the window into about mode and shows it modally; returns when
    // the user has clicked the logo.
    static void ShowAbout();

    // The timer's interval for windows created from now on; 0 restores one second.
    static void SetTimerIntervalForTesting(int milliseconds);

    // The web address on the version text's first line.
    static QString WebAddress();
    // The two lines of the version text.
    static QString VersionLabelText();
    // The size of the window when the logo cannot be loaded.
    static QSize EmptyLogoSize();

    bool IsSplashMode() const;
    // Puts the window into about mode (Label2 "Ja").
    void SetAboutMode();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QTimer* Timer1 = nullptr;

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit formSplash(LoadMainWindow loadMainWindow, QWidget* parent = nullptr);
    void Form_Load();
    void Timer1_Timer();
    void Image1_Click();
    void LoadMainWindowOnce();
    void CloseAndDestroy();

    LoadMainWindow loadMainWindow_;
    bool mainWindowLoaded_ = false;
    bool closing_ = false;
};
