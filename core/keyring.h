#pragma once

#include <QString>
#include <functional>

// The desktop's keyring (the Secret Service on Linux, the Credential Manager on Windows) through
// QtKeychain, service "Postfalke". Every operation is asynchronous: it returns at once and calls
// back on the event loop's thread when the keyring has answered. Without QtKeychain at build time
// every operation answers NoService.
namespace Keyring {

enum class Result {
    Ok,
    NotFound,   // no entry under that key (a locked collection answers this too)
    Locked,     // the keyring is locked or refused access
    NoService,  // no keyring service on this desktop
    Other,      // anything else the keyring reports
};

struct Outcome {
    Result result = Result::Ok;
    QString detail;  // the keyring's own words, for the message
    bool ok() const { return result == Result::Ok; }
    // A failure of the keyring itself (not a missing entry).
    bool failed() const { return result != Result::Ok && result != Result::NotFound; }
};

// True when the program was built with QtKeychain.
bool Supported();

// The service name of every entry.
QString Service();

// Maps QtKeychain's error codes (0 none, 1 not found, 4 access denied, 5 no backend, 7 other ...).
Outcome FromKeychainError(int code, const QString& detail);

// The German message for a failed operation: what happened, then what became of the passwords.
QString Message(const Outcome& outcome, const QString& consequence);

void Read(const QString& key, std::function<void(const Outcome&, const QString& password)> done);
void Write(const QString& key, const QString& password, std::function<void(const Outcome&)> done);
void Remove(const QString& key, std::function<void(const Outcome&)> done);

}  // namespace Keyring
