#include "core/funktionen.h"

#include "core/codepage.h"
#include "core/keyringpasswords.h"
#include "core/numeric.h"
#include "core/paths.h"
#include "core/runtimeerror.h"
#include "core/storekeys.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QStringList>
#include <QTime>
#include <cmath>
#include <optional>

QVector<Account> Accounts(1);
SettingsRecord Settings;

void RemoveAccount(int k) {
    if (k >= 1 && k <= AccountCount())
        Accounts.remove(k);
}

namespace {
const QString kApplication = QStringLiteral("Postfalke");
const QString kSection = QStringLiteral("Einstellungen");

QString& fileOverride() {
    static QString path;
    return path;
}

// The store holds scrambled passwords: its folder and file are made private before the first
// write, so the file never exists with wider permissions. QSettings replaces the file through a
// temporary copy that takes over the permissions of the existing file.
void MakeStorePrivate(const QString& path) {
#ifndef Q_OS_WIN
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    if (!dir.exists()) {
        dir.mkpath(QStringLiteral("."));
        QFile::setPermissions(dir.absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QFileDevice::Permissions privateMode = QFile::ReadOwner | QFile::WriteOwner;
    if (!info.exists()) {
        QFile file(path);
        file.open(QIODevice::WriteOnly, privateMode);
    } else if (QFile::permissions(path) != privateMode) {
        QFile::setPermissions(path, privateMode);
    }
#else
    Q_UNUSED(path);
#endif
}

// The place of a damaged value in an error report.
QString Place(const QString& key) {
    return QStringLiteral("Datei ") + Store::FilePath() + QStringLiteral(", Schlüssel ") + key;
}

// Reads every key of one record from the store. A value that does not convert leaves its member at
// the default the record was made with; the first such error is kept for the report, the other
// keys are read all the same.
template <typename Record>
void ReadKeys(QSettings& s, Record& record, const QList<StoreKey<Record>>& keys, const QString& prefix,
              std::optional<RuntimeError>& firstError) {
    for (const StoreKey<Record>& key : keys) {
        const QString name = prefix + key.name;
        try {
            key.read(record, s.value(name, key.missing).toString());
        } catch (const RuntimeError& error) {
            if (!firstError)
                firstError = error.at(Place(name));
        }
    }
}

template <typename Record>
void WriteKeys(QSettings& s, const Record& record, const QList<StoreKey<Record>>& keys, const QString& prefix) {
    for (const StoreKey<Record>& key : keys)
        s.setValue(prefix + key.name, key.write(record));
}

QString AccountPrefix(int i) { return AccountKey(i, ""); }

// How many accounts the store holds one after another from account 1, for a damaged count.
int CountStoredAccounts(QSettings& s, const QList<StoreKey<Account>>& keys) {
    int n = 0;
    auto stored = [&](int i) {
        for (const StoreKey<Account>& key : keys) {
            if (s.contains(AccountPrefix(i) + key.name))
                return true;
        }
        return false;
    };
    while (n < Numeric::Int16Max && stored(n + 1))
        ++n;
    return n;
}

// Finishes a write: flushes the store and keeps the file private. False when the file could not
// be written.
bool Finish(QSettings& s) {
    s.endGroup();
    s.sync();
#ifndef Q_OS_WIN
    if (s.format() == QSettings::IniFormat)
        QFile::setPermissions(s.fileName(), QFile::ReadOwner | QFile::WriteOwner);
#endif
    return s.status() == QSettings::NoError;
}

// Finishes a save; once it is written, the passwords move to where the keyring choice says.
bool FinishAndSync(QSettings& s) {
    if (!Finish(s))
        return false;
    KeyringPasswords::Instance().ScheduleSync();
    return true;
}
}  // namespace

namespace Store {
QString FilePath() {
    if (!fileOverride().isEmpty())
        return fileOverride();
    // The platform's own per-user place: ~/.config/Postfalke/Postfalke.conf on Linux.
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
    return s.fileName();
}

void SetFileForTesting(const QString& path) { fileOverride() = path; }

std::unique_ptr<QSettings> Open() {
    std::unique_ptr<QSettings> s;
#ifdef Q_OS_WIN
    if (fileOverride().isEmpty())
        s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
#endif
    if (!s) {
        const QString path = FilePath();
        s = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
    s->beginGroup(kSection);
    return s;
}
}  // namespace Store

QString AccountKey(int i, const char* field) {
    return QStringLiteral("Account%1%2").arg(i, 2, 10, QLatin1Char('0')).arg(QLatin1String(field));
}

QString DefaultEMailProgramm() { return QStringLiteral("C:\\Programme\\Outlook Express\\msimn.exe"); }

QString DefaultSoundDatei() { return QDir::toNativeSeparators(Paths::ProgramFolder() + QStringLiteral("/mail.wav")); }

void LoadSettings() {
    auto s = Store::Open();
    std::optional<RuntimeError> error;
    SettingsRecord loaded;
    ReadKeys(*s, loaded, SettingsKeys(), QString(), error);
    Settings = loaded;
    if (error)
        throw *error;
}

void LoadAccounts() {
    auto s = Store::Open();
    std::optional<RuntimeError> error;
    const QList<StoreKey<Account>> keys = AccountKeys();
    const QString countKey = QStringLiteral("AnzahlAccounts");
    int n = 0;
    try {
        n = Numeric::ToInt32(s->value(countKey, QStringLiteral("0")).toString());
        if (n < 0)
            throw RuntimeError::subscriptOutOfRange();
        // Accounts are numbered with 16-bit numbers; a larger count is damaged data and would only
        // allocate memory for accounts that can never be checked.
        if (n > Numeric::Int16Max)
            throw RuntimeError::overflow();
    } catch (const RuntimeError& damaged) {
        error = damaged.at(Place(countKey));
        n = CountStoredAccounts(*s, keys);
    }
    QVector<Account> loaded(n + 1);
    for (int i = 1; i <= n; ++i)
        ReadKeys(*s, loaded[i], keys, AccountPrefix(i), error);
    Accounts = loaded;
    // Also when a value was damaged: the accounts are in use all the same, and one waiting for its
    // keyring password must be marked as waiting.
    KeyringPasswords::Instance().AfterLoad();
    if (error)
        throw *error;
}

std::optional<RuntimeError> LoadStore() {
    std::optional<RuntimeError> first;
    for (void (*load)() : {LoadSettings, LoadAccounts}) {
        try {
            load();
        } catch (const RuntimeError& error) {
            if (!first)
                first = error;
        }
    }
    return first;
}

bool SaveSettings() {
    MakeStorePrivate(Store::FilePath());
    auto s = Store::Open();
    WriteKeys(*s, Settings, SettingsKeys(), QString());
    return FinishAndSync(*s);
}

bool SaveAccounts() {
    MakeStorePrivate(Store::FilePath());
    auto s = Store::Open();
    const int n = AccountCount();
    s->setValue(QStringLiteral("AnzahlAccounts"), QString::number(n));
    const QList<StoreKey<Account>> keys = AccountKeys();
    for (int i = 1; i <= n; ++i)
        WriteKeys(*s, Accounts[i], keys, AccountPrefix(i));
    return FinishAndSync(*s);
}

QString Store::SaveFailedMessage() {
    return QStringLiteral("Die Einstellungen konnten nicht gespeichert werden. Die Datei") + QStringLiteral("\r\n") +
           QDir::toNativeSeparators(FilePath()) + QStringLiteral("\r\n") +
           QStringLiteral("ist nicht beschreibbar. Ihre Eingaben bleiben erhalten.");
}

bool SaveAccountZertifikat(const Account& account) {
    MakeStorePrivate(Store::FilePath());
    auto s = Store::Open();
    // The stored list may be numbered differently from the one in memory (unsaved edits): the
    // stored accounts of the same address and server get the fingerprint.
    const int n = s->value(QStringLiteral("AnzahlAccounts"), QStringLiteral("0")).toString().toInt();
    for (int i = 1; i <= n; ++i) {
        if (s->value(AccountPrefix(i) + QStringLiteral("EMail")).toString() == account.EMail &&
            s->value(AccountPrefix(i) + QStringLiteral("Server")).toString() == account.Server)
            s->setValue(AccountPrefix(i) + QStringLiteral("Zertifikat"), account.Zertifikat);
    }
    return Finish(*s);
}

QString EncodePassword(const QString& password) {
    // Reseeded at each call from the time of day, so the factor changes from save to save.
    QRandomGenerator generator(quint32(QTime::currentTime().msecsSinceStartOfDay()) ^
                               quint32(QDateTime::currentMSecsSinceEpoch() >> 10));
    const int k = int(std::floor(generator.generateDouble() * 25.0)) + 1;
    return EncodePassword(password, k);
}

QString EncodePassword(const QString& password, int k) {
    QString result = QString::number(k * PasswordMultiplier);
    for (const QChar c : password) {
        // A character outside the code page goes by its Unicode code (always above 255), so old
        // stores, made of code page codes only, read the same.
        int code = CodePage::ToCode(c);
        if (code == '?' && c != u'?')
            code = c.unicode();
        result += QLatin1Char('|') + QString::number(k * code);
    }
    return result;
}

QString DecodePassword(const QString& stored) {
    const QStringList fields = stored.split(QLatin1Char('|'));
    if (fields.size() < 2)
        return QString();
    const std::optional<double> head = Numeric::Parse(fields.at(0));
    if (!head)
        throw RuntimeError::typeMismatch();
    const double divisor = *head / PasswordMultiplier;
    if (divisor == 0.0)
        throw RuntimeError::divisionByZero();
    QString result;
    for (int i = 1; i < fields.size(); ++i) {
        const std::optional<double> value = Numeric::Parse(fields.at(i));
        if (!value)
            throw RuntimeError::typeMismatch();
        const double code = Numeric::RoundHalfEven(*value / divisor);
        if (code < 0.0 || code > 65535.0)
            throw RuntimeError::invalidCall();
        result += code <= 255.0 ? CodePage::FromCode(int(code)) : QChar(char16_t(code));
    }
    return result;
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && info.lastModified().isValid();
}
