#pragma once

#include <QObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

// A D-Bus daemon of the test's own, without service files: nothing on it but what the test puts
// there. Any connection may own any name, so stand-ins can play logind or NetworkManager.
class PrivateBus {
public:
    ~PrivateBus();
    // Starts the daemon; false when dbus-daemon is missing or does not come up.
    bool start();
    QString address() const { return address_; }

private:
    QProcess daemon_;
    QTemporaryDir dir_;
    QString address_;
};

// NetworkManager as Qt reads it: State and Connectivity through Properties.GetAll. Qt asks with a
// blocking call, so the stand-in answers from a thread of its own.
class NetworkManagerStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ State)
    Q_PROPERTY(uint Connectivity READ Connectivity)
public:
    uint State() const { return state; }
    uint Connectivity() const { return connectivity; }
    std::atomic<uint> state = 70;  // connected to the internet
    std::atomic<uint> connectivity = 4;
};

// A private bus that this process takes for its system bus, with logind and NetworkManager on it.
class SystemBusStandIns : public PrivateBus {
public:
    ~SystemBusStandIns();
    // Makes the started bus the system bus and takes logind's and NetworkManager's names on it.
    bool claimNames();
    bool prepareForSleep(bool sleeping);
    // NetworkManager's state changes; true once Qt has taken it in.
    bool setNetwork(uint state, uint connectivity);

private:
    NetworkManagerStandIn manager_;
    QThread thread_;
};
