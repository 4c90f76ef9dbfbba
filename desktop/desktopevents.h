#pragma once

#include <QObject>

// What the desktop tells a mail checker beyond its own timers: the computer is going to sleep or
// has woken (on Linux logind's PrepareForSleep on the system bus), and the network has come back
// (QNetworkInformation). Qt's timers do not count time asleep, so without this the first check
// after waking could come a whole interval late. Where the desktop offers none of it, nothing
// happens and nothing is said.
class DesktopEvents : public QObject {
    Q_OBJECT
public:
    explicit DesktopEvents(QObject* parent = nullptr);

    // Starts listening; call once.
    void Start();
    bool WatchingSleep() const { return watchingSleep_; }
    bool WatchingNetwork() const { return watchingNetwork_; }

signals:
    void GoingToSleep();
    void Woken();
    // The network went from not online to online.
    void BackOnline();

private slots:
    // logind's signal: true before the computer sleeps, false after it has woken.
    void PrepareForSleep(bool sleeping);

private:
    // In the platform's file: connects to the platform's sleep notice, false where there is none.
    bool StartSleepWatch();
    bool StartNetworkWatch();

    bool watchingSleep_ = false;
    bool watchingNetwork_ = false;
    bool online_ = false;
};
