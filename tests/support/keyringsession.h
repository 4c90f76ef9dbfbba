#pragma once

#include "privatebus.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private desktop session for keyring tests: HOME and the XDG folders in a temporary folder, and
// a session bus of its own without service files, so nothing starts under the real home. The
// bus starts without a keyring; StartKeyring() adds gnome-keyring's secrets with an unlocked login
// keyring. Make it before anything talks to the session bus: a process keeps its first connection.
class KeyringSession {
public:
    KeyringSession();
    ~KeyringSession();
    KeyringSession(const KeyringSession&) = delete;
    KeyringSession& operator=(const KeyringSession&) = delete;

    bool BusRunning() const { return !bus_.address().isEmpty(); }
    // Starts the keyring daemon once, unlocking the login keyring; true when it serves.
    bool StartKeyring();
    bool KeyringRunning() const { return keyring_.state() == QProcess::Running; }
    // Locks the login keyring, as the desktop does after a while or on request.
    bool Lock();
    // Unlocks it again with its password, as the user does at the desktop's prompt.
    bool Unlock();

private:
    QTemporaryDir dir_;
    PrivateBus bus_;
    QProcess keyring_;
    QProcessEnvironment environment_;  // as set up here, for the keyring daemon
};
