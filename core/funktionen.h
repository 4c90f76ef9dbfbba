#pragma once

#include "core/account.h"

#include <QString>
#include "core/runtimeerror.h"

#include <memory>
#include <optional>

class QSettings;

// The per-user store of the settings and the accounts: application "Postfalke", section
// "Einstellungen", every value written as text. On Linux this is ~/.config/Postfalke/Postfalke.conf,
// readable and writable by its owner only, since it holds the scrambled passwords.

// Fills Settings from the store. Every key is read; a value that does not convert takes its
// default, and afterwards the first such error is thrown as RuntimeError naming file and key.
void LoadSettings();
// Replaces Accounts with the stored list (every NewMailCount becomes 0), reading every key as
// LoadSettings does. A damaged "AnzahlAccounts" gives the accounts stored one after another.
void LoadAccounts();
// Both of the above; the first error, if any, is returned after everything has been read.
std::optional<RuntimeError> LoadStore();
// Writes Settings to the store; false when the file could not be written.
bool SaveSettings();
// Writes "AnzahlAccounts" and accounts 1..N; false when the file could not be written. Keys of
// accounts above N stay in the store.
bool SaveAccounts();
// Writes only the account's Zertifikat, at once, to the stored accounts of its address and server;
// false when the file could not be written.
bool SaveAccountZertifikat(const Account& account);

// The multiplier of the password scrambling.
constexpr int PasswordMultiplier = 7;
// Scrambles a password with a factor k drawn anew (1..25) from a generator reseeded from the time of day.
QString EncodePassword(const QString& password);
// The same with a given factor k (1..25).
QString EncodePassword(const QString& password, int k);
// Unscrambles a stored password; a text without "|" gives the empty password.
QString DecodePassword(const QString& stored);

// True when the file's modification time can be read.
bool FileExists(const QString& path);

// The store key of one field of account i: "Account" + at least two digits + field name.
// The fields are listed in core/storekeys.cpp.
QString AccountKey(int i, const char* field);

// The default of "EMailProgramm" and "SoundDatei".
QString DefaultEMailProgramm();
QString DefaultSoundDatei();

namespace Store {
// The file behind the store (the per-user configuration file on Linux).
QString FilePath();
// Points the store at another file; an empty path restores the per-user store. For the tests.
void SetFileForTesting(const QString& path);
// Opens the store at its section, ready to read or write.
std::unique_ptr<QSettings> Open();
// The German message of a save that failed, naming the file.
QString SaveFailedMessage();
}  // namespace Store
