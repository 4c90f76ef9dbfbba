#include "core/funktionen.h"
#include "core/runtimeerror.h"
#include "testenvironment.h"

#include <QSettings>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace {
Account MakeAccount(int i) {
    Account a;
    a.EMail = QStringLiteral("user%1@example.org").arg(i);
    a.Server = QStringLiteral("imap%1.example.org").arg(i);
    a.Port = qint16(140 + i);
    a.Username = QStringLiteral("user%1").arg(i);
    a.Password = QStringLiteral("pass wort %1").arg(i);
    a.Mailbox = QStringLiteral("INBOX");
    return a;
}

void SetAccounts(int n) {
    Accounts = QVector<Account>(1);
    for (int i = 1; i <= n; ++i)
        Accounts.append(MakeAccount(i));
}

QString RawValue(const QString& key) {
    auto s = Store::Open();
    return s->value(key).toString();
}
}  // namespace

class TestStore : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QDir::tempPath().toLocal8Bit() + "/postfalke-config-home"); }

    void perUserStoreFile() {
        Store::SetFileForTesting({});
        QCOMPARE(Store::FilePath(), QDir::tempPath() + "/postfalke-config-home/Postfalke/Postfalke.conf");
    }

    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }

    void emptyStoreGivesDefaults() {
        Settings.KontrollIntervall = 99;
        LoadSettings();
        LoadAccounts();
        QCOMPARE(AccountCount(), 0);
        QCOMPARE(Accounts.size(), 1);
        QCOMPARE(Settings.KontrollIntervall, qint16(5));
        QCOMPARE(Settings.EMailProgramm, QStringLiteral("C:\\Programme\\Outlook Express\\msimn.exe"));
        QCOMPARE(Settings.BenachrichtigungFokus, qint16(0));
        QCOMPARE(Settings.Sound, qint16(1));
        QCOMPARE(Settings.SoundDatei, QDir::toNativeSeparators(env->folder() + "/mail.wav"));
        QCOMPARE(Settings.Benachrichtigungsfenster, qint16(1));
        QCOMPARE(Settings.BalloonTip, qint16(0));
    }

    void accountsRoundTrip() {
        SetAccounts(3);
        Accounts[2].Password = QString::fromUtf8("Grüße mit Blank");
        Accounts[3].Mailbox = QString::fromUtf8("Entwürfe");
        const QVector<Account> saved = Accounts;
        SaveAccounts();
        Accounts = QVector<Account>(1);
        LoadAccounts();
        QCOMPARE(AccountCount(), 3);
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(Accounts[i].EMail, saved[i].EMail);
            QCOMPARE(Accounts[i].Server, saved[i].Server);
            QCOMPARE(Accounts[i].Port, saved[i].Port);
            QCOMPARE(Accounts[i].Username, saved[i].Username);
            QCOMPARE(Accounts[i].Password, saved[i].Password);
            QCOMPARE(Accounts[i].Mailbox, saved[i].Mailbox);
        }
    }

    void valuesAreStoredAsTextUnderTheirKeys() {
        SetAccounts(10);
        SaveAccounts();
        QCOMPARE(RawValue("AnzahlAccounts"), QStringLiteral("10"));
        QCOMPARE(RawValue("Account07EMail"), QStringLiteral("user7@example.org"));
        QCOMPARE(RawValue("Account09Port"), QStringLiteral("149"));
        QCOMPARE(RawValue("Account10Server"), QStringLiteral("imap10.example.org"));
        QVERIFY(RawValue("Account01Password") != Accounts[1].Password);
        QCOMPARE(DecodePassword(RawValue("Account01Password")), Accounts[1].Password);
        const QByteArray file = [&] {
            QFile f(env->storeFile());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QVERIFY(file.startsWith("[Einstellungen]"));
        QCOMPARE(AccountKey(123, "Mailbox"), QStringLiteral("Account123Mailbox"));
    }

    void settingsRoundTrip() {
        Settings.KontrollIntervall = -3;
        Settings.EMailProgramm = QStringLiteral("/usr/bin/thunderbird");
        Settings.BenachrichtigungFokus = 1;
        Settings.Sound = 7;
        Settings.SoundDatei = QStringLiteral("/tmp/ding, dong.wav");
        Settings.Benachrichtigungsfenster = 0;
        Settings.BalloonTip = 1;
        SaveSettings();
        QCOMPARE(RawValue("KontrollIntervall"), QStringLiteral("-3"));
        Settings = SettingsRecord{};
        LoadSettings();
        QCOMPARE(Settings.KontrollIntervall, qint16(-3));
        QCOMPARE(Settings.EMailProgramm, QStringLiteral("/usr/bin/thunderbird"));
        QCOMPARE(Settings.BenachrichtigungFokus, qint16(1));
        QCOMPARE(Settings.Sound, qint16(7));
        QCOMPARE(Settings.SoundDatei, QStringLiteral("/tmp/ding, dong.wav"));
        QCOMPARE(Settings.Benachrichtigungsfenster, qint16(0));
        QCOMPARE(Settings.BalloonTip, qint16(1));
    }

    void staleKeysOfDeletedAccountsStay() {
        SetAccounts(5);
        SaveAccounts();
        SetAccounts(3);
        SaveAccounts();
        QCOMPARE(RawValue("AnzahlAccounts"), QStringLiteral("3"));
        QCOMPARE(RawValue("Account05EMail"), QStringLiteral("user5@example.org"));
        QCOMPARE(RawValue("Account04Port"), QStringLiteral("144"));
        LoadAccounts();
        QCOMPARE(AccountCount(), 3);
    }

    void loadResetsNewMailCount() {
        SetAccounts(2);
        SaveAccounts();
        Accounts[1].NewMailCount = -1;
        Accounts[2].NewMailCount = 4;
        LoadAccounts();
        QCOMPARE(Accounts[1].NewMailCount, qint16(0));
        QCOMPARE(Accounts[2].NewMailCount, qint16(0));
    }

    void damagedNumberRaises_data() {
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("filledSlots");  // accounts read before the error; -1: not checked
        const QByteArray one = "AnzahlAccounts=2\nAccount01EMail=a\nAccount01Port=143\nAccount01Password=7|97\n";
        QTest::newRow("count not a number") << QByteArray("[Einstellungen]\nAnzahlAccounts=zwei\n") << 13 << -1;
        QTest::newRow("negative count") << QByteArray("[Einstellungen]\nAnzahlAccounts=-1\n") << 9 << -1;
        QTest::newRow("huge count") << QByteArray("[Einstellungen]\nAnzahlAccounts=2000000000\n") << 6 << -1;
        QTest::newRow("port out of range") << "[Einstellungen]\n" + one + "Account02Port=70000\n" << 6 << 1;
        QTest::newRow("port missing") << "[Einstellungen]\n" + one << 13 << 1;
        QTest::newRow("password damaged") << "[Einstellungen]\n" + one + "Account02Port=1\nAccount02Password=0|5\n" << 11 << 1;
    }
    void damagedNumberRaises() {
        QFETCH(QByteArray, store);
        QFETCH(int, number);
        QFETCH(int, filledSlots);
        env->writeStore(store);
        try {
            LoadAccounts();
            QFAIL("no error raised");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), number);
        }
        if (filledSlots >= 0) {
            QCOMPARE(AccountCount(), 2);
            QCOMPARE(Accounts[1].EMail, QStringLiteral("a"));
            QCOMPARE(Accounts[1].Password, QStringLiteral("a"));
            QCOMPARE(Accounts[2].Password, QString());  // not reached
        }
    }

    void damagedSettingRaises_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("interval text") << QByteArray("KontrollIntervall=fünf");
        QTest::newRow("sound too large") << QByteArray("Sound=40000");
    }
    void damagedSettingRaises() {
        QFETCH(QByteArray, line);
        env->writeStore("[Einstellungen]\n" + line + "\n");
        QVERIFY_THROWS_EXCEPTION(RuntimeError, LoadSettings());
    }

    void storeFileIsPrivate_data() {
        QTest::addColumn<bool>("settingsFirst");
        QTest::newRow("created by saving accounts") << false;
        QTest::newRow("created by saving settings") << true;
    }
    void storeFileIsPrivate() {
        QFETCH(bool, settingsFirst);
        const mode_t old = umask(0);  // the most permissive umask a user could have
        SetAccounts(1);
        if (settingsFirst)
            SaveSettings();
        else
            SaveAccounts();
        umask(old);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(env->storeFile()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(::stat(QFile::encodeName(QFileInfo(env->storeFile()).absolutePath()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0077), 0);
    }

    void existingWideFileBecomesPrivate() {
        env->writeStore("[Einstellungen]\nAnzahlAccounts=0\n");
        QFile::setPermissions(env->storeFile(), QFileDevice::Permissions(0x6644));
        SetAccounts(1);
        SaveAccounts();
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(env->storeFile()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }

    void fileExists() {
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(env->path("missing.wav")));
        QVERIFY(!FileExists(env->folder()));
        QFile f(env->path("da.wav"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(FileExists(env->path("da.wav")));
    }

    void removeAccountRenumbers() {
        SetAccounts(3);
        RemoveAccount(2);
        QCOMPARE(AccountCount(), 2);
        QCOMPARE(Accounts[2].EMail, QStringLiteral("user3@example.org"));
        RemoveAccount(5);
        RemoveAccount(0);
        QCOMPARE(AccountCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
