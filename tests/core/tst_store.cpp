#include "core/funktionen.h"
#include "core/runtimeerror.h"
#include "testenvironment.h"

#include <QSettings>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace {
void SetAccounts(int n) {
    Accounts = QVector<Account>(1);
    for (int i = 1; i <= n; ++i)
        Accounts.append(TestAccount(QStringLiteral("user%1").arg(i), 140 + i, QStringLiteral("pass wort %1").arg(i)));
}

QString RawValue(const QString& key) { return Store::Open()->value(key).toString(); }

int Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}
}  // namespace

class TestStore : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
private slots:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }

    void emptyStoreGivesDefaults() {
        Settings.KontrollIntervall = 99;
        Settings.BalloonTip = 1;
        LoadSettings();
        LoadAccounts();
        QCOMPARE(AccountCount(), 0);
        QCOMPARE(Settings.KontrollIntervall, qint16(5));
        QCOMPARE(Settings.EMailProgramm, QStringLiteral("C:\\Programme\\Outlook Express\\msimn.exe"));
        QCOMPARE(Settings.SoundDatei, QDir::toNativeSeparators(env->folder() + "/mail.wav"));
        QCOMPARE(Settings.BalloonTip, qint16(0));
    }

    void roundTrip() {
        SetAccounts(10);
        Accounts[2].Password = QString::fromUtf8("Grüße mit Blank");
        Accounts[3].Mailbox = QString::fromUtf8("Entwürfe");
        Accounts[4].NewMailCount = 4;
        Settings = SettingsRecord{-3, QStringLiteral("/usr/bin/thunderbird"), 1, 7, QStringLiteral("/tmp/ding, dong.wav"), 0, 1};
        const QVector<Account> saved = Accounts;
        const SettingsRecord savedSettings = Settings;
        SaveAccounts();
        SaveSettings();
        // Every value as text under its key; the password scrambled.
        QCOMPARE(RawValue("AnzahlAccounts"), QStringLiteral("10"));
        QCOMPARE(RawValue("Account09Port"), QStringLiteral("149"));
        QCOMPARE(RawValue("Account10Server"), QStringLiteral("127.0.0.1"));
        QCOMPARE(RawValue("KontrollIntervall"), QStringLiteral("-3"));
        QCOMPARE(DecodePassword(RawValue("Account01Password")), QStringLiteral("pass wort 1"));
        QVERIFY(!env->read("config/Postfalke/Postfalke.conf").contains("pass wort"));

        Accounts = QVector<Account>(1);
        Settings = SettingsRecord{};
        LoadAccounts();
        LoadSettings();
        QCOMPARE(AccountCount(), 10);
        for (int i = 1; i <= 10; ++i) {
            const Account& a = Accounts[i];
            const Account& b = saved[i];
            QCOMPARE((QStringList{a.EMail, a.Server, QString::number(a.Port), a.Username, a.Password, a.Mailbox}),
                     (QStringList{b.EMail, b.Server, QString::number(b.Port), b.Username, b.Password, b.Mailbox}));
            QCOMPARE(a.NewMailCount, qint16(0));
        }
        const SettingsRecord& s = Settings;
        const SettingsRecord& t = savedSettings;
        QCOMPARE((QList<int>{s.KontrollIntervall, s.BenachrichtigungFokus, s.Sound, s.Benachrichtigungsfenster, s.BalloonTip}),
                 (QList<int>{t.KontrollIntervall, t.BenachrichtigungFokus, t.Sound, t.Benachrichtigungsfenster, t.BalloonTip}));
        QCOMPARE(s.EMailProgramm + s.SoundDatei, t.EMailProgramm + t.SoundDatei);
    }

    void staleKeysOfDeletedAccountsStay() {
        SetAccounts(5);
        SaveAccounts();
        SetAccounts(3);
        SaveAccounts();
        QCOMPARE(RawValue("AnzahlAccounts"), QStringLiteral("3"));
        QCOMPARE(RawValue("Account05EMail"), QStringLiteral("user5@example.org"));
        LoadAccounts();
        QCOMPARE(AccountCount(), 3);
    }

    // Encryption and trusted certificate: absent in old stores (plain, none), renumbered with their
    // account, and the trust written alone at once.
    void encryptionKeys() {
        env->writeStore("[Einstellungen]\nAnzahlAccounts=2\nAccount01Server=alt\nAccount01Port=143\nAccount02Server=auch\nAccount02Port=993\n");
        LoadAccounts();
        QCOMPARE((QList<int>{Accounts[1].Verschluesselung, Accounts[2].Verschluesselung}), (QList<int>{0, 0}));
        QVERIFY(Accounts[1].Zertifikat.isEmpty());

        SetAccounts(3);
        Accounts[2].Verschluesselung = 1;
        Accounts[3].Verschluesselung = 2;
        Accounts[3].Zertifikat = QStringLiteral("ab:CD:01");
        RemoveAccount(2);
        SaveAccounts();
        QCOMPARE(RawValue("Account02Verschluesselung"), QStringLiteral("2"));
        // Trust is stored by address and server, not by a number that unsaved edits may have moved.
        Account trusted = Accounts[1];
        trusted.Zertifikat = QStringLiteral("EF:02");
        RemoveAccount(1);
        SaveAccountZertifikat(trusted);
        Accounts = QVector<Account>(1);
        LoadAccounts();
        QCOMPARE((QList<int>{Accounts[1].Verschluesselung, Accounts[2].Verschluesselung}), (QList<int>{0, 2}));
        QCOMPARE(Accounts[1].Zertifikat + ' ' + Accounts[2].Zertifikat, QStringLiteral("EF:02 ab:CD:01"));
        QCOMPARE(Accounts[1].Password, QStringLiteral("pass wort 1"));
    }

    void damagedNumberRaises_data() {
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("oneRead");  // account 1 was read before the error
        const QByteArray one = "AnzahlAccounts=2\nAccount01EMail=a\nAccount01Port=143\nAccount01Password=7|97\n";
        QTest::newRow("count not a number") << QByteArray("AnzahlAccounts=zwei\n") << 13 << false;
        QTest::newRow("huge count") << QByteArray("AnzahlAccounts=2000000000\n") << 6 << false;
        QTest::newRow("port out of range") << one + "Account02Port=70000\n" << 6 << true;
        QTest::newRow("port missing") << one << 13 << true;
        QTest::newRow("interval text") << QByteArray("KontrollIntervall=fünf\n") << 13 << false;
        QTest::newRow("sound too large") << QByteArray("Sound=40000\n") << 6 << false;
    }
    void damagedNumberRaises() {
        QFETCH(QByteArray, store);
        QFETCH(int, number);
        QFETCH(bool, oneRead);
        env->writeStore("[Einstellungen]\n" + store);
        SetAccounts(3);
        try {
            store.contains("Account") ? LoadAccounts() : LoadSettings();
            QFAIL("no error raised");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), number);
        }
        if (oneRead) {
            QCOMPARE(AccountCount(), 2);
            QCOMPARE(Accounts[1].Password, QStringLiteral("a"));
            QCOMPARE(Accounts[2].Username, QString());  // not reached: empty, not the old account 2
        }
    }

    void storeFileIsPrivate_data() {
        QTest::addColumn<int>("created");
        QTest::newRow("created by saving accounts") << 0;
        QTest::newRow("created by saving settings") << 1;
        QTest::newRow("an existing wide file") << 2;
    }
    void storeFileIsPrivate() {
        QFETCH(int, created);
        if (created == 2) {
            env->writeStore("[Einstellungen]\nAnzahlAccounts=0\n");
            QFile::setPermissions(env->storeFile(), QFileDevice::Permissions(0x6644));
        }
        const mode_t old = umask(0);  // the widest umask a user could have
        created == 1 ? SaveSettings() : SaveAccounts();
        umask(old);
        QCOMPARE(Mode(env->storeFile()), 0600);
        if (created != 2)
            QCOMPARE(Mode(QFileInfo(env->storeFile()).absolutePath()) & 0077, 0);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
