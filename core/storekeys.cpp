#include "core/storekeys.h"

#include "core/funktionen.h"
#include "core/keyringpasswords.h"
#include "core/numeric.h"
#include "core/runtimeerror.h"

#include <type_traits>

namespace StoreText {
qint16 ToInt16(const QString& text) { return Numeric::ToInt16(text); }

quint16 ToPort(const QString& text) {
    const qint32 number = Numeric::ToInt32(text);
    if (number >= -32768 && number <= -1)
        return quint16(number + 65536);
    if (number < 1 || number > 65535)
        throw RuntimeError::overflow();
    return quint16(number);
}
}  // namespace StoreText

namespace {

// The conversion a member's type implies: text as it is, 16-bit numbers and enumerations as
// decimal text.
template <typename T>
struct PlainCodec {
    static T Read(const QString& text) {
        if constexpr (std::is_same_v<T, QString>)
            return text;
        else if constexpr (std::is_enum_v<T>)
            return T(StoreText::ToInt16(text));
        else
            return StoreText::ToInt16(text);
    }
    static QString Write(const T& value) {
        if constexpr (std::is_same_v<T, QString>)
            return value;
        else
            return QString::number(qint16(value));
    }
};

struct PortCodec {
    static quint16 Read(const QString& text) { return StoreText::ToPort(text); }
    static QString Write(quint16 port) { return QString::number(port); }
};

// One key: its name, the member it fills, the text a missing key reads as, and optionally a codec
// other than the one the member's type implies.
template <typename Codec, typename Record, typename T>
StoreKey<Record> KeyWith(const char* name, T Record::*member, const QString& missing) {
    return {QLatin1String(name), missing, [member](Record& r, const QString& text) { r.*member = Codec::Read(text); },
            [member](const Record& r) { return Codec::Write(r.*member); }};
}

template <typename Record, typename T>
StoreKey<Record> Key(const char* name, T Record::*member, const QString& missing) {
    return KeyWith<PlainCodec<T>>(name, member, missing);
}

// The password is stored scrambled, or left empty while it lives in the desktop's keyring.
StoreKey<Account> PasswordKey() {
    return {QStringLiteral("Password"), QString(), [](Account& a, const QString& text) { a.Password = DecodePassword(text); },
            [](const Account& a) { return KeyringPasswords::Instance().StoredPassword(a); }};
}

}  // namespace

QList<StoreKey<SettingsRecord>> SettingsKeys() {
    using S = SettingsRecord;
    return {
        Key("KontrollIntervall", &S::KontrollIntervall, QStringLiteral("5")),
        Key("EMailProgramm", &S::EMailProgramm, DefaultEMailProgramm()),
        Key("BenachrichtigungFokus", &S::BenachrichtigungFokus, QStringLiteral("0")),
        Key("Sound", &S::Sound, QStringLiteral("1")),
        Key("SoundDatei", &S::SoundDatei, DefaultSoundDatei()),
        Key("Benachrichtigungsfenster", &S::Benachrichtigungsfenster, QStringLiteral("1")),
        Key("BalloonTip", &S::BalloonTip, QStringLiteral("0")),
        Key("Schluesselbund", &S::Schluesselbund, QStringLiteral("0")),
        // "SchluesselbundEintraege", the list of keyring entries written, is no setting: the keyring
        // passes in core/keyringpasswords.cpp keep it up to date as they go.
    };
}

QList<StoreKey<Account>> AccountKeys() {
    // A missing port reads as an empty text, which does not convert: an account without one is
    // damaged and is reported, as it always was.
    return {
        Key("EMail", &Account::EMail, QString()),
        Key("Mailbox", &Account::Mailbox, QString()),
        Key("Server", &Account::Server, QString()),
        KeyWith<PortCodec>("Port", &Account::Port, QString()),
        Key("Username", &Account::Username, QString()),
        PasswordKey(),
        // Stores written before encryption have neither: plain TCP, no trusted certificate.
        Key("Verschluesselung", &Account::Verschluesselung, QStringLiteral("0")),
        Key("Zertifikat", &Account::Zertifikat, QString()),
        // Written by newer versions only: missing, the server's RECENT count as before.
        Key("Zaehlweise", &Account::Zaehlweise, QStringLiteral("0")),
    };
}
