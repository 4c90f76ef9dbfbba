#pragma once

#include "core/account.h"

#include <QString>
#include <memory>

class QSettings;

// The per-user store of the settings and the accounts: application "Postfalke", section
// "Einstellungen", every value written as text. On Linux this is ~/.config/Postfalke/Postfalke.conf,
// readable and writable by its owner only, since it holds the scrambled passwords.

// Fills Settings from the store. Throws RuntimeError when a stored number does not convert.
void LoadSettings();
// Replaces Accounts with the stored list (every NewMailCount becomes 0). Throws RuntimeError when a
// stored number does not convert; the slots not yet read then stay empty.
void LoadAccounts();
// Writes Settings to the store.
void SaveSettings();
// Writes "AnzahlAccounts" and accounts 1..N. Keys of accounts above N stay in the store.
void SaveAccounts();
// Writes only the account's Zertifikat, at once, to the stored accounts of its address and server.
void SaveAccountZertifikat(const Account& account);

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
}  // namespace Store
