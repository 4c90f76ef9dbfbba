#include "check/checkcycle.h"
#include "check/imapdialogue.h"
#include "core/funktionen.h"
#include "core/keyring.h"
#include "core/keyringpasswords.h"
#include "keyringsession.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QSettings>
#include <QtTest>
#include <memory>
#include <optional>

namespace {
const int SettleMs = 15000;
const QStringList Passwords{QStringLiteral("erstes Wort"), QString::fromUtf8("Grüße 2"), QStringLiteral("drei|3")};
const QString Skipped =
    QString::fromUtf8("Account übersprungen, Passwort aus dem Schlüsselbund fehlt noch: eins@example.org");

QString RawValue(const QString& key) { return Store::Open()->value(key).toString(); }
QStringList Index() { return RawValue(QStringLiteral("SchluesselbundEintraege")).split('\n', Qt::SkipEmptyParts); }
KeyringPasswords& Keys() { return KeyringPasswords::Instance(); }

// The entry as the keyring holds it: the password, or nothing when there is none.
std::optional<QString> Entry(const QString& key) {
    std::optional<std::optional<QString>> answer;
    Keyring::Read(key, [&](const Keyring::Outcome& o, const QString& password) {
        answer = o.ok() ? std::optional<QString>(password) : std::nullopt;
    });
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, SettleMs))
        return QStringLiteral("<keine Antwort>");
    return *answer;
}
}  // namespace

class TestKeyring : public QObject {
    Q_OBJECT
    // Made first: the keyring code must only ever see the private bus.
    KeyringSession session;
    std::unique_ptr<TestEnvironment> env;
    QStringList messages;

    // Accounts eins, zwei, drei with the passwords above, saved with this keyring choice, once moved.
    void saveAccounts(qint16 keyring) {
        if (AccountCount() == 0)
            for (int i = 0; i < Passwords.size(); ++i)
                Accounts.append(TestAccount(QStringList{"eins", "zwei", "drei"}.at(i), 143, Passwords.at(i)));
        Settings.Schluesselbund = keyring;
        SaveAccounts();
        SaveSettings();
        settle();
    }
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!Keys().Busy(), SettleMs); }
    // A new start of the program: nothing known, store loaded, keyring passwords read.
    void restart() {
        Keys().ForgetForTesting();
        LoadSettings();
        LoadAccounts();
        settle();
    }
    // The passwords as loaded ("<fehlt>" for one not known yet), and as the store holds them.
    QStringList loadedPasswords() const {
        QStringList list;
        for (int i = 1; i <= AccountCount(); ++i)
            list << (PasswordKnown(Accounts.at(i)) ? Accounts.at(i).Password : QStringLiteral("<fehlt>"));
        return list;
    }
    QStringList storedPasswords() const {
        QStringList list;
        for (int i = 1; i <= AccountCount(); ++i)
            list << DecodePassword(RawValue(AccountKey(i, "Password")));
        return list;
    }
    void needKeyring() {
        if (!session.KeyringRunning())
            QVERIFY2(session.StartKeyring(), "gnome-keyring-daemon did not start (scripts/deps installs it)");
    }

private slots:
    void initTestCase() {
        if (!session.BusRunning())
            QSKIP("dbus-daemon is not installed (scripts/deps installs it)");
        connect(&Keys(), &KeyringPasswords::Message, this, [this](const QString& t) { messages << t; });
    }
    void init() {
        env = std::make_unique<TestEnvironment>();
        Keys().ForgetForTesting();
        messages.clear();
    }
    void cleanup() {
        settle();
        env.reset();
    }

    // Runs first, while the bus has no keyring service.
    void noKeyringService() {
        saveAccounts(1);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().contains(QString::fromUtf8("kein Schlüsselbund-Dienst")));
        QVERIFY(messages.first().contains(QString::fromUtf8("Die Passwörter bleiben in den Einstellungen")));
        QCOMPARE(Settings.Schluesselbund, qint16(0));
        QCOMPARE(RawValue("Schluesselbund"), QStringLiteral("0"));
        QCOMPARE(storedPasswords(), Passwords);
        restart();
        QCOMPARE(loadedPasswords(), Passwords);
    }

    // In: empty passwords in the store (also none left of a deleted account), the real ones in the
    // keyring. A deleted account's entry goes, the others move up. Out: the store has them again and
    // the entries are gone. A new start finds every password at each step.
    void movingInDeletingAndOut() {
        needKeyring();
        Accounts.append(TestAccount(QStringLiteral("vier"), 143, QStringLiteral("weg")));
        SaveAccounts();
        Accounts = QVector<Account>(1);
        saveAccounts(1);
        QCOMPARE(messages, QStringList());
        QCOMPARE(storedPasswords(), (QStringList{"", "", ""}));
        QCOMPARE(Index().size(), 3);
        QVERIFY(!env->read("config/Postfalke/Postfalke.conf").contains("|"));
        QCOMPARE(Entry(KeyringPasswords::EntryKey(Accounts.at(2))), Passwords.at(1));
        restart();
        QCOMPARE(loadedPasswords(), Passwords);

        const QString first = KeyringPasswords::EntryKey(Accounts.at(1));
        RemoveAccount(1);
        saveAccounts(1);
        QCOMPARE(Index().size(), 2);
        QCOMPARE(storedPasswords(), (QStringList{"", ""}));
        QCOMPARE(Entry(first), std::nullopt);
        restart();
        QCOMPARE(loadedPasswords(), Passwords.mid(1));

        saveAccounts(0);
        QCOMPARE(storedPasswords(), Passwords.mid(1));
        QCOMPARE(Index(), QStringList());
        QCOMPARE(Entry(KeyringPasswords::EntryKey(Accounts.at(2))), std::nullopt);
        restart();
        QCOMPARE(loadedPasswords(), Passwords.mid(1));
        QCOMPARE(messages, QStringList());
    }

    // A check never waits for the keyring and never logs in without the password: the account is
    // skipped while its password has not come, also when it goes between connect and greeting.
    void checkSkipsUntilThePasswordCame_data() {
        QTest::addColumn<bool>("beforeGreeting");
        QTest::newRow("right after the start") << false;
        QTest::newRow("list reloaded before the greeting, keyring locked") << true;
    }
    void checkSkipsUntilThePasswordCame() {
        QFETCH(bool, beforeGreeting);
        needKeyring();
        ScriptedImapServer server;
        if (beforeGreeting)
            server.setGreeting({});
        Accounts.append(TestAccount(QStringLiteral("eins"), server.port(), Passwords.at(0)));
        saveAccounts(1);
        const auto forget = [] {
            Keys().ForgetForTesting();
            LoadAccounts();
            QVERIFY(!PasswordKnown(Accounts.at(1)));
        };
        if (!beforeGreeting)
            forget();
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 2000});
        QStringList protocol;
        int alerts = 0;
        cycle.SetProtocolSink([&protocol](const QString& text) { protocol << text; });
        cycle.SetAlertDispatcher([&alerts] { ++alerts; });
        cycle.StartMonitoring();
        if (beforeGreeting) {
            QTRY_COMPARE(server.connectionCount(), 1);
            QVERIFY(session.Lock());
            forget();
            server.sendToAll("* OK ready\r\n");
        } else {
            QCOMPARE(alerts, 1);
            QCOMPARE(protocol, QStringList{Skipped});
        }
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, SettleMs);
        QVERIFY(protocol.contains(Skipped));
        QCOMPARE(server.commands(), QList<QByteArray>());
        QVERIFY(!cycle.CycleRunning());
        QCOMPARE(Accounts.at(1).NewMailCount, qint16(0));
        if (beforeGreeting) {
            QVERIFY(session.Unlock());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(PasswordKnown(Accounts.at(1)), SettleMs);
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 2, SettleMs);
        QCOMPARE(server.commands().value(0), Imap::LoginCommand(QStringLiteral("eins"), Passwords.at(0)).trimmed());
    }

    // Locked after the first password reached its new place: moving in falls back to the store at
    // once; moving out finishes once it is unlocked again.
    void lockedMidWay_data() {
        QTest::addColumn<bool>("in");
        QTest::newRow("moving in") << true;
        QTest::newRow("moving out") << false;
    }
    void lockedMidWay() {
        QFETCH(bool, in);
        needKeyring();
        if (!in) {
            saveAccounts(1);
            // Switched off, and the program ended before the passwords moved back.
            Settings.Schluesselbund = 0;
            SaveSettings();
            Keys().ForgetForTesting();
        }
        QObject scope;  // the connection ends with this test also when it never fired
        connect(&Keys(), &KeyringPasswords::EntryMoved, &scope, [this] { QVERIFY(session.Lock()); },
                Qt::SingleShotConnection);
        if (in)
            saveAccounts(1);
        settle();
        QCOMPARE(Settings.Schluesselbund, qint16(0));
        QCOMPARE(messages.size(), in ? 1 : 0);
        // Each password is in the store or still in the keyring (a locked one may hide its entries).
        const QStringList stored = storedPasswords();
        for (int i = 0; i < stored.size(); ++i)
            QVERIFY(stored.at(i) == Passwords.at(i) || (!in && stored.at(i).isEmpty()));
        QVERIFY(session.Unlock());
        restart();
        QCOMPARE(loadedPasswords(), Passwords);
        QCOMPARE(storedPasswords(), Passwords);
        QCOMPARE(Index(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
