#include "core/funktionen.h"

#include "core/codepage.h"
#include "core/numeric.h"
#include "core/paths.h"
#include "core/runtimeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QStringList>
#include <QTime>
#include <cmath>

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

QString ReadText(QSettings& s, const QString& key, const QString& fallback) {
    return s.value(key, fallback).toString();
}

qint16 ReadInt16(QSettings& s, const QString& key, const QString& fallback) {
    return Numeric::ToInt16(ReadText(s, key, fallback));
}

// Finishes a write: flushes the store and keeps the file private.
void Finish(QSettings& s) {
    s.endGroup();
    s.sync();
#ifndef Q_OS_WIN
    if (s.format() == QSettings::IniFormat)
        QFile::setPermissions(s.fileName(), QFile::ReadOwner | QFile::WriteOwner);
#endif
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
    Settings.KontrollIntervall = ReadInt16(*s, QStringLiteral("KontrollIntervall"), QStringLiteral("5"));
    Settings.EMailProgramm = ReadText(*s, QStringLiteral("EMailProgramm"), DefaultEMailProgramm());
    Settings.BenachrichtigungFokus = ReadInt16(*s, QStringLiteral("BenachrichtigungFokus"), QStringLiteral("0"));
    Settings.Sound = ReadInt16(*s, QStringLiteral("Sound"), QStringLiteral("1"));
    Settings.SoundDatei = ReadText(*s, QStringLiteral("SoundDatei"), DefaultSoundDatei());
    Settings.Benachrichtigungsfenster = ReadInt16(*s, QStringLiteral("Benachrichtigungsfenster"), QStringLiteral("1"));
    Settings.BalloonTip = ReadInt16(*s, QStringLiteral("BalloonTip"), QStringLiteral("0"));
}

void LoadAccounts() {
    auto s = Store::Open();
    const qint32 n = Numeric::ToInt32(ReadText(*s, QStringLiteral("AnzahlAccounts"), QStringLiteral("0")));
    if (n < 0)
        throw RuntimeError::subscriptOutOfRange();
    // Accounts are numbered with 16-bit numbers; a larger count is damaged data and would only
    // allocate memory for accounts that can never be checked.
    if (n > 32767)
        throw RuntimeError::overflow();
    Accounts = QVector<Account>(n + 1);
    for (int i = 1; i <= n; ++i) {
        Account& a = Accounts[i];
        a.EMail = ReadText(*s, AccountKey(i, "EMail"), QString());
        a.Mailbox = ReadText(*s, AccountKey(i, "Mailbox"), QString());
        a.Server = ReadText(*s, AccountKey(i, "Server"), QString());
        a.Port = ReadInt16(*s, AccountKey(i, "Port"), QString());
        a.Username = ReadText(*s, AccountKey(i, "Username"), QString());
        a.Password = DecodePassword(ReadText(*s, AccountKey(i, "Password"), QString()));
        a.Verschluesselung = ReadInt16(*s, AccountKey(i, "Verschluesselung"), QStringLiteral("0"));
        a.Zertifikat = ReadText(*s, AccountKey(i, "Zertifikat"), QString());
    }
}

void SaveSettings() {
    MakeStorePrivate(Store::FilePath());
    auto s = Store::Open();
    s->setValue(QStringLiteral("KontrollIntervall"), QString::number(Settings.KontrollIntervall));
    s->setValue(QStringLiteral("EMailProgramm"), Settings.EMailProgramm);
    s->setValue(QStringLiteral("BenachrichtigungFokus"), QString::number(Settings.BenachrichtigungFokus));
    s->setValue(QStringLiteral("Sound"), QString::number(Settings.Sound));
    s->setValue(QStringLiteral("SoundDatei"), Settings.SoundDatei);
    s->setValue(QStringLiteral("Benachrichtigungsfenster"), QString::number(Settings.Benachrichtigungsfenster));
    s->setValue(QStringLiteral("BalloonTip"), QString::number(Settings.BalloonTip));
    Finish(*s);
}

void SaveAccounts() {
    MakeStorePrivate(Store::FilePath());
    auto s = Store::Open();
    const int n = AccountCount();
    s->setValue(QStringLiteral("AnzahlAccounts"), QString::number(n));
    for (int i = 1; i <= n; ++i) {
        const Account& a = Accounts[i];
        s->setValue(AccountKey(i, "EMail"), a.EMail);
        s->setValue(AccountKey(i, "Mailbox"), a.Mailbox);
        s->setValue(AccountKey(i, "Server"), a.Server);
        s->setValue(AccountKey(i, "Port"), QString::number(a.Port));
        s->setValue(AccountKey(i, "Username"), a.Username);
        s->setValue(AccountKey(i, "Password"), EncodePassword(a.Password));
        s->setValue(AccountKey(i, "Verschluesselung"), QString::number(a.Verschluesselung));
        s->setValue(AccountKey(i, "Zertifikat"), a.Zertifikat);
    }
    Finish(*s);
}

void SaveAccountZertifikat(const Account& account) {
    MakeStorePrivate(Store::FilePath());
    auto s = Store::Open();
    // The stored list may be numbered differently from the one in memory (unsaved edits): the
    // stored accounts of the same address and server get the fingerprint.
    const int n = ReadText(*s, QStringLiteral("AnzahlAccounts"), QStringLiteral("0")).toInt();
    for (int i = 1; i <= n; ++i) {
        if (ReadText(*s, AccountKey(i, "EMail"), QString()) == account.EMail &&
            ReadText(*s, AccountKey(i, "Server"), QString()) == account.Server)
            s->setValue(AccountKey(i, "Zertifikat"), account.Zertifikat);
    }
    Finish(*s);
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
    for (const QChar c : password)
        result += QLatin1Char('|') + QString::number(k * CodePage::ToCode(c));
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
        if (code < 0.0 || code > 255.0)
            throw RuntimeError::invalidCall();
        result += CodePage::FromCode(int(code));
    }
    return result;
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && info.lastModified().isValid();
}
