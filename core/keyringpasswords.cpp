#include "core/keyringpasswords.h"

#include "core/funktionen.h"
#include "core/runtimeerror.h"

#include <QSettings>
#include <QTimer>

namespace {
const QString kIndexKey = QStringLiteral("SchluesselbundEintraege");

// One account as the store holds it now.
struct Stored {
    QString key;
    QString password;  // the stored text: empty, or the scrambled password
};

// Accounts 1..N as stored now; slot 0 stays empty. Read anew at every step of a pass, since the
// dialogs may save in between.
QVector<Stored> ReadStore() {
    auto s = Store::Open();
    const int n = s->value(QStringLiteral("AnzahlAccounts"), QStringLiteral("0")).toString().toInt();
    // A count beyond the 16-bit account numbers is damaged data, which LoadAccounts reports.
    QVector<Stored> list(n >= 0 && n <= 32767 ? n + 1 : 1);
    for (int i = 1; i < list.size(); ++i) {
        list[i].key = KeyringPasswords::EntryKey(s->value(AccountKey(i, "EMail")).toString(),
                                                 s->value(AccountKey(i, "Server")).toString(),
                                                 s->value(AccountKey(i, "Username")).toString());
        list[i].password = s->value(AccountKey(i, "Password")).toString();
    }
    return list;
}

void WriteStore(const QString& key, const QString& value) {
    auto s = Store::Open();
    s->setValue(key, value);
    s->endGroup();
    s->sync();
}

QStringList ReadIndex() {
    auto s = Store::Open();
    return s->value(kIndexKey).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void WriteIndex(const QStringList& keys) { WriteStore(kIndexKey, keys.join(QLatin1Char('\n'))); }

void AddToIndex(const QString& key) {
    QStringList keys = ReadIndex();
    if (!keys.contains(key))
        WriteIndex(keys << key);
}

// Replaces account i's stored password text, but only while the store still holds the account
// and the text the pass saw: a save in between wins.
void ReplaceStoredPassword(int i, const QString& key, const QString& seen, const QString& replacement) {
    const QVector<Stored> now = ReadStore();
    if (i < now.size() && now.at(i).key == key && now.at(i).password == seen)
        WriteStore(AccountKey(i, "Password"), replacement);
}

// The entries that accounts with an empty stored password rely on.
QSet<QString> EntriesInUse(const QVector<Stored>& store) {
    QSet<QString> keys;
    for (int i = 1; i < store.size(); ++i)
        if (store.at(i).password.isEmpty())
            keys.insert(store.at(i).key);
    return keys;
}
}  // namespace

KeyringPasswords& KeyringPasswords::Instance() {
    static KeyringPasswords* instance = new KeyringPasswords;
    return *instance;
}

QString KeyringPasswords::EntryKey(const QString& email, const QString& server, const QString& username) {
    return email + QStringLiteral(" (") + username + QLatin1Char('@') + server + QLatin1Char(')');
}

QString KeyringPasswords::EntryKey(const Account& account) { return EntryKey(account.EMail, account.Server, account.Username); }

void KeyringPasswords::AfterLoad() {
    // An empty stored text is a keyring password while the setting is on or an entry was written
    // for the account; otherwise it is an empty password, as always.
    auto s = Store::Open();
    const QStringList index = ReadIndex();
    for (int i = 1; i <= AccountCount(); ++i) {
        Account& a = Accounts[i];
        const QString key = EntryKey(a);
        if (!s->value(AccountKey(i, "Password")).toString().isEmpty() ||
            (Settings.Schluesselbund != 1 && !index.contains(key)))
            continue;
        if (known_.contains(key)) {
            a.Password = known_.value(key);
        } else {
            a.Password.clear();
            a.PasswordPending = true;
        }
    }
    FetchMissing();
    ScheduleSync();
}

QString KeyringPasswords::StoredPassword(const Account& a) const {
    if (!PasswordKnown(a))
        return QString();
    const auto known = known_.constFind(EntryKey(a));
    if (Settings.Schluesselbund == 1 && known != known_.constEnd() && *known == a.Password)
        return QString();
    return EncodePassword(a.Password);
}

void KeyringPasswords::FetchMissing() {
    for (int i = 1; i <= AccountCount(); ++i) {
        const QString key = EntryKey(Accounts.at(i));
        if (PasswordKnown(Accounts.at(i)) || reading_.contains(key))
            continue;
        if (known_.contains(key)) {
            Fill(key, known_.value(key));
            continue;
        }
        reading_.insert(key);
        Keyring::Read(key, [this, key, store = Store::FilePath()](const Keyring::Outcome& outcome, const QString& password) {
            reading_.remove(key);
            if (!SameStore(store))
                return;
            if (outcome.ok()) {
                readFailureShown_ = false;
                AddToIndex(key);
                Known(key, password);
                Fill(key, password);
            } else if (outcome.failed() && !readFailureShown_) {
                // Once until the keyring answers again; the checks skip these accounts meanwhile.
                readFailureShown_ = true;
                emit Message(Keyring::Message(
                    outcome, QStringLiteral("Die Passwörter bleiben im Schlüsselbund; Konten ohne Passwort werden "
                                            "bis dahin nicht abgefragt.")));
            }
            // Not found (also what a locked collection answers): the account keeps waiting.
        });
    }
}

void KeyringPasswords::Fill(const QString& key, const QString& password) {
    for (int i = 1; i <= AccountCount(); ++i) {
        Account& a = Accounts[i];
        if (!PasswordKnown(a) && EntryKey(a) == key) {
            a.Password = password;
            a.PasswordPending = false;
        }
    }
}

void KeyringPasswords::Known(const QString& key, const QString& password) { known_.insert(key, password); }

void KeyringPasswords::Forget(const QString& key) { known_.remove(key); }

void KeyringPasswords::ScheduleSync() {
    if (scheduled_)
        return;
    scheduled_ = true;
    store_ = Store::FilePath();
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        RunPass();
    });
}

void KeyringPasswords::RunPass() {
    if (running_) {
        again_ = true;
        return;
    }
    // Nothing to do, and the keyring is not asked, for everyone who never chose it.
    if (!SameStore(store_) || (Settings.Schluesselbund != 1 && ReadIndex().isEmpty()))
        return;
    running_ = true;
    steps_.clear();
    try {
        if (Settings.Schluesselbund == 1)
            PlanIn();
        else
            PlanOut();
    } catch (const RuntimeError&) {
        // A damaged store: LoadAccounts reports it; the pass leaves everything as it is.
        steps_.clear();
    }
    steps_.append([this] { Sweep(); });
    Next();
}

void KeyringPasswords::Next() {
    if (steps_.isEmpty() || !SameStore(store_)) {
        steps_.clear();
        EndPass();
        return;
    }
    const std::function<void()> step = steps_.takeFirst();
    step();
}

void KeyringPasswords::EndPass() {
    running_ = false;
    if (again_) {
        again_ = false;
        RunPass();
    }
}

void KeyringPasswords::PlanIn() {
    const QVector<Stored> store = ReadStore();
    const QSet<QString> inUse = EntriesInUse(store);
    QList<Move> moves;
    for (int i = 1; i < store.size(); ++i) {
        const Stored& s = store.at(i);
        if (s.password.isEmpty())
            continue;
        const QString password = DecodePassword(s.password);
        if (inUse.contains(s.key)) {
            // Another account with the same login relies on the entry: it is not overwritten.
            // The same password needs no entry of its own; another one stays in the store.
            if (known_.contains(s.key) && known_.value(s.key) == password)
                ReplaceStoredPassword(i, s.key, s.password, QString());
            continue;
        }
        auto same = std::find_if(moves.begin(), moves.end(), [&](const Move& m) { return m.key == s.key; });
        if (same == moves.end())
            moves.append(Move{s.key, password, {{i, s.password}}});
        else if (same->password == password)
            same->accounts.append({i, s.password});
    }
    for (const Move& move : moves) {
        steps_.append([this, move] {
            // Listed before it is written: an entry never exists without the store knowing it.
            AddToIndex(move.key);
            Keyring::Write(move.key, move.password, [this, move](const Keyring::Outcome& outcome) {
                if (!outcome.ok()) {
                    // Nothing of this account changed in the store. Passwords already moved go
                    // back with the next pass, which runs with the setting off.
                    steps_.clear();
                    Settings.Schluesselbund = 0;
                    WriteStore(QStringLiteral("Schluesselbund"), QStringLiteral("0"));
                    again_ = true;
                    emit Message(Keyring::Message(
                        outcome, QStringLiteral("Die Passwörter bleiben in den Einstellungen gespeichert; "
                                                "der Schlüsselbund wird nicht mehr benutzt.")));
                    emit SwitchedOff();
                    EndPass();
                    return;
                }
                Known(move.key, move.password);
                for (const auto& [i, seen] : move.accounts)
                    ReplaceStoredPassword(i, move.key, seen, QString());
                emit EntryMoved(move.key);
                Next();
            });
        });
    }
    // Passwords of deleted accounts left behind in the store do not stay readable there.
    auto s = Store::Open();
    for (const QString& name : s->childKeys()) {
        bool numbered = false;
        const int i = name.startsWith(QLatin1String("Account")) && name.endsWith(QLatin1String("Password"))
                          ? name.mid(7, name.size() - 15).toInt(&numbered)
                          : 0;
        if (numbered && i >= store.size() && !s->value(name).toString().isEmpty())
            s->setValue(name, QString());
    }
    s->endGroup();
    s->sync();
}

void KeyringPasswords::PlanOut() {
    const QVector<Stored> store = ReadStore();
    const QStringList index = ReadIndex();
    QHash<QString, QList<int>> reads;
    for (int i = 1; i < store.size(); ++i) {
        const Stored& s = store.at(i);
        if (!s.password.isEmpty() || !index.contains(s.key))
            continue;
        if (known_.contains(s.key))
            ReplaceStoredPassword(i, s.key, QString(), EncodePassword(known_.value(s.key)));
        else
            reads[s.key].append(i);
    }
    for (auto it = reads.cbegin(); it != reads.cend(); ++it) {
        const QString key = it.key();
        const QList<int> accounts = it.value();
        steps_.append([this, key, accounts] {
            Keyring::Read(key, [this, key, accounts](const Keyring::Outcome& outcome, const QString& password) {
                if (outcome.ok()) {
                    Known(key, password);
                    for (int i : accounts)
                        ReplaceStoredPassword(i, key, QString(), EncodePassword(password));
                    emit EntryMoved(key);
                } else if (outcome.failed()) {
                    // The passwords stay in the keyring, listed, and the next pass tries again.
                    steps_.clear();
                    emit Message(Keyring::Message(
                        outcome, QStringLiteral("Die Passwörter bleiben im Schlüsselbund, bis er wieder erreichbar "
                                                "ist; Postfalke holt sie beim nächsten Start zurück.")));
                    EndPass();
                    return;
                }
                // Not found (or locked): the account keeps its entry in the list and waits.
                Next();
            });
        });
    }
}

void KeyringPasswords::Sweep() {
    // Entries no stored account relies on: their accounts were deleted, renamed, or took their
    // password back into the store.
    const QSet<QString> inUse = EntriesInUse(ReadStore());
    for (const QString& key : ReadIndex()) {
        if (inUse.contains(key))
            continue;
        steps_.append([this, key] {
            Keyring::Remove(key, [this, key](const Keyring::Outcome& outcome) {
                // A removal that fails loses nothing: the entry stays listed and is tried again.
                if (outcome.ok() || outcome.result == Keyring::Result::NotFound) {
                    Forget(key);
                    QStringList keys = ReadIndex();
                    keys.removeAll(key);
                    WriteIndex(keys);
                }
                Next();
            });
        });
    }
    Next();
}

bool KeyringPasswords::Busy() const { return running_ || scheduled_ || !reading_.isEmpty(); }

bool KeyringPasswords::SameStore(const QString& store) const { return Store::FilePath() == store; }

void KeyringPasswords::ForgetForTesting() {
    known_.clear();
    readFailureShown_ = false;
}
