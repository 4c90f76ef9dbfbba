#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A D-Bus daemon of the test's own, without service files: nothing on it but what the test puts
// there. Any connection may own any name, so stand-ins can play logind or NetworkManager.
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Starts the daemon; false when dbus-daemon is missing or does not come up.
    bool start();
    QString address() const { return address_; }

private:
    QProcess daemon_;
    QTemporaryDir dir_;
    QString address_;
};
