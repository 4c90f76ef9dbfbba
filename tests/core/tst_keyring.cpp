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
    QMetaObject::Connection messageSpy;

    // Accounts eins, zwei, drei with the passwords above, saved with the keyring choice as given;
    // returns once the passwords have moved.
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
    // A new start of the program: nothing known, the accounts and settings loaded from the store,
    // their keyring passwords read.
    void restart() {
        Keys().ForgetForTesting();
        LoadSettings();
        LoadAccounts();
        settle();
    }
    QStringList loadedPasswords() const {
        QStringList list;
        for (int i = 1; i <= AccountCount(); ++i)
            list << (PasswordKnown(Accounts.at(i)) ? Accounts.at(i).Password : QStringLiteral("<fehlt>"));
        return list;
    }
    QStringList storedPasswords() const {
        QStringList list;
        for (int i = 1; i <= AccountCount(); ++i) {
            const QString text = RawValue(AccountKey(i, "Password"));
            list << (text.isEmpty() ? QString() : DecodePassword(text));
        }
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
    }
    void init() {
        env = std::make_unique<TestEnvironment>();
        Keys().ForgetForTesting();
        messages.clear();
        messageSpy = connect(&Keys(), &KeyringPasswords::Message, this, [this](const QString& t) { messages << t; });
    }
    void cleanup() {
        settle();
        disconnect(messageSpy);
        env.reset();
    }

    // Runs first, while the bus has no keyring service: the choice does not stick, one message says
    // why, and every password stays in the store.
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

    // In: the store keeps empty passwords (also none of a deleted account left behind) and the
    // keyring the real ones, which a new start reads. Out: the store has them again and the entries
    // are gone.
    void movingInAndOut() {
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

        saveAccounts(0);
        QCOMPARE(storedPasswords(), Passwords);
        QCOMPARE(Index(), QStringList());
        QCOMPARE(Entry(KeyringPasswords::EntryKey(Accounts.at(2))), std::nullopt);
        restart();
        QCOMPARE(loadedPasswords(), Passwords);
        QCOMPARE(messages, QStringList());
    }

    // Edits of the account list while the passwords are in the keyring; afterwards a new start
    // finds every password, and only the entries still used remain.
    void listEdits_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QStringList>("passwords");
        QTest::addColumn<int>("entries");
        QTest::newRow("delete the first, the others move up") << "delete" << QStringList{Passwords[1], Passwords[2]} << 2;
        QTest::newRow("copy with the same login") << "copy" << (Passwords + QStringList{Passwords[1]}) << 3;
        QTest::newRow("copy with another login") << "copy other" << (Passwords + QStringList{"anders"}) << 4;
        QTest::newRow("new user name and password") << "rename" << QStringList{Passwords[0], Passwords[1], "neu"} << 3;
    }
    void listEdits() {
        QFETCH(QString, edit);
        QFETCH(QStringList, passwords);
        QFETCH(int, entries);
        needKeyring();
        saveAccounts(1);
        const QString first = KeyringPasswords::EntryKey(Accounts.at(1));
        const QString third = KeyringPasswords::EntryKey(Accounts.at(3));
        if (edit == "delete") {
            RemoveAccount(1);
        } else if (edit.startsWith("copy")) {
            Account copy = Accounts.at(2);
            copy.Mailbox = QStringLiteral("Archiv");
            if (edit == "copy other") {
                copy.Username = QStringLiteral("zwei-b");
                copy.Password = QStringLiteral("anders");
            }
            Accounts.append(copy);
        } else {
            Accounts[3].Username = QStringLiteral("drei-neu");
            Accounts[3].Password = QStringLiteral("neu");
        }
        saveAccounts(1);
        QCOMPARE(Index().size(), entries);
        QCOMPARE(storedPasswords(), QStringList(passwords.size(), QString()));
        if (edit == "delete")
            QCOMPARE(Entry(first), std::nullopt);
        if (edit == "rename")
            QCOMPARE(Entry(third), std::nullopt);
        restart();
        QCOMPARE(loadedPasswords(), passwords);
    }

    // A check right after the start skips the account whose password the keyring has not given yet;
    // the next one logs in with it.
    void checkWithKeyringPassword() {
        needKeyring();
        ScriptedImapServer server;
        Accounts.append(TestAccount(QStringLiteral("eins"), server.port(), Passwords.at(0)));
        saveAccounts(1);
        Keys().ForgetForTesting();
        LoadAccounts();
        QVERIFY(!PasswordKnown(Accounts.at(1)));

        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 2000});
        QStringList protocol;
        int alerts = 0;
        cycle.SetProtocolSink([&](const QString& text) { protocol << text; });
        cycle.SetAlertDispatcher([&] { ++alerts; });
        cycle.StartMonitoring();
        QCOMPARE(alerts, 1);
        QCOMPARE(protocol, QStringList{QString::fromUtf8("Account übersprungen, Passwort aus dem Schlüsselbund fehlt noch: "
                                                         "eins@example.org")});
        QVERIFY(!cycle.CycleRunning());
        QCOMPARE(Accounts.at(1).NewMailCount, qint16(0));

        QTRY_VERIFY_WITH_TIMEOUT(PasswordKnown(Accounts.at(1)), SettleMs);
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 2, SettleMs);
        QCOMPARE(server.commands().value(0), Imap::LoginCommand(QStringLiteral("eins"), Passwords.at(0)).trimmed());
    }

    // The list is reloaded between connect and greeting while the locked keyring keeps the password
    // back: no LOGIN goes out, the account is left out of the cycle and the watchdog ends with it.
    void passwordGoneBeforeTheGreeting() {
        needKeyring();
        ScriptedImapServer server;
        server.setGreeting({});
        Accounts.append(TestAccount(QStringLiteral("eins"), server.port(), Passwords.at(0)));
        saveAccounts(1);
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 2000});
        QStringList protocol;
        int alerts = 0;
        cycle.SetProtocolSink([&](const QString& text) { protocol << text; });
        cycle.SetAlertDispatcher([&] { ++alerts; });
        cycle.StartMonitoring();
        QTRY_COMPARE(server.connectionCount(), 1);
        QVERIFY(session.Lock());
        Keys().ForgetForTesting();
        LoadAccounts();
        QVERIFY(!PasswordKnown(Accounts.at(1)));
        server.sendToAll("* OK ready\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, SettleMs);
        QCOMPARE(server.commands(), QList<QByteArray>());
        QVERIFY(protocol.contains(QString::fromUtf8("Account übersprungen, Passwort aus dem Schlüsselbund fehlt noch: "
                                                    "eins@example.org")));
        QVERIFY(!cycle.CycleRunning());
        QVERIFY(session.Unlock());
    }

    // The keyring is locked after the first password has reached its new place. Nothing is lost:
    // moving in falls back to the store at once; moving out finishes once it is unlocked again.
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
            // The choice was switched off and the program ended before the passwords moved back.
            Settings.Schluesselbund = 0;
            SaveSettings();
            Keys().ForgetForTesting();
        }
        auto lockOnce = std::make_shared<QMetaObject::Connection>();
        *lockOnce = connect(&Keys(), &KeyringPasswords::EntryMoved, this, [this, lockOnce] {
            disconnect(*lockOnce);
            QVERIFY(session.Lock());
        });
        if (in)
            saveAccounts(1);
        settle();
        disconnect(*lockOnce);
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
