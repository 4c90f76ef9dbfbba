#include "core/funktionen.h"
#include "core/errorlog.h"
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

QStringList Fields(const Account& a) {
    return {a.EMail, a.Server, QString::number(a.Port), a.Username, a.Password, a.Mailbox,
            QString::number(a.NewMailCount), QString::number(a.Zaehlweise)};
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

    // The accounts as text under their keys, the password scrambled (the settings: the dialog's test).
    void accountsRoundTrip() {
        SetAccounts(10);
        Accounts[2].Password = QString::fromUtf8("Grüße mit Blank");
        Accounts[3].Mailbox = QString::fromUtf8("Entwürfe");
        Accounts[5].Zaehlweise = 1;
        const QVector<Account> saved = Accounts;
        Accounts[4].NewMailCount = 4;  // not stored
        QVERIFY(SaveAccounts());
        QCOMPARE(RawValue("AnzahlAccounts"), QStringLiteral("10"));
        QCOMPARE(RawValue("Account09Port"), QStringLiteral("149"));
        QCOMPARE(RawValue("Account10Server"), QStringLiteral("127.0.0.1"));
        QCOMPARE(DecodePassword(RawValue("Account01Password")), QStringLiteral("pass wort 1"));
        QVERIFY(!env->read("config/Postfalke/Postfalke.conf").contains("pass wort"));

        Accounts = QVector<Account>(1);
        LoadAccounts();
        QCOMPARE(AccountCount(), 10);
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(Fields(Accounts[i]), Fields(saved[i]));
    }

    // Keys newer than old stores: defaults when absent, renumbered with the account, trust saved alone.
    void newerAccountKeys() {
        env->writeStore("[Einstellungen]\nAnzahlAccounts=2\nAccount01Server=alt\nAccount01Port=143\nAccount02Server=auch\nAccount02Port=993\n");
        LoadAccounts();
        QCOMPARE((QList<int>{Accounts[1].Verschluesselung, Accounts[2].Verschluesselung, Accounts[2].Zaehlweise}),
                 (QList<int>{0, 0, 0}));
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

    // A damaged value takes its default and is reported naming file and key; nothing else is lost.
    void damagedValueCostsNothingElse_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("number");
        QTest::newRow("count not a number") << "AnzahlAccounts" << "zwei" << 13;
        QTest::newRow("huge count") << "AnzahlAccounts" << "2000000000" << 6;
        QTest::newRow("negative count") << "AnzahlAccounts" << "-1" << 9;
        QTest::newRow("port beyond 65535") << "Account02Port" << "70000" << 6;
        QTest::newRow("port missing") << "Account02Port" << QString() << 13;
        QTest::newRow("password damaged") << "Account02Password" << "x|97" << 13;
        QTest::newRow("sound beyond 16 bits") << "Sound" << "40000" << 6;
    }
    void damagedValueCostsNothingElse() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, number);
        SetAccounts(3);
        Settings.KontrollIntervall = 9;
        Settings.Sound = SoundChoice::WaveFile;
        QVERIFY(SaveAccounts() && SaveSettings());
        value.isNull() ? Store::Open()->remove(key) : Store::Open()->setValue(key, value);
        Accounts = QVector<Account>(1);
        Settings = SettingsRecord{};

        const std::optional<RuntimeError> error = LoadStore();
        QVERIFY(error);
        QCOMPARE(error->number(), number);
        QStringList boxes;
        SetErrorBoxHandler([&](const QString& text) { boxes << text; });
        ReportError(QStringLiteral("formMain_Load()"), *error);
        const QString place = "Datei " + env->storeFile() + ", Schlüssel " + key;
        QVERIFY(boxes.first().endsWith(place + "\r\n"));
        QVERIFY(QString::fromUtf8(env->read("error.log")).endsWith("\"formMain_Load(), " + place + "\"\r\n"));

        QCOMPARE(AccountCount(), 3);
        for (int i = 1; i <= 3; ++i) {
            const bool damaged = key == AccountKey(i, "Port");
            QCOMPARE(Accounts[i].Username, QStringLiteral("user%1").arg(i));
            QCOMPARE(Accounts[i].Port, damaged ? 143 : 140 + i);
            QCOMPARE(Accounts[i].Password, key == AccountKey(i, "Password") ? QString() : QStringLiteral("pass wort %1").arg(i));
        }
        QCOMPARE(Settings.KontrollIntervall, qint16(key == "KontrollIntervall" ? 5 : 9));
        QCOMPARE(Settings.Sound, key == "Sound" ? SoundChoice::Beep : SoundChoice::WaveFile);
        QVERIFY(SaveAccounts());
        QCOMPARE(RawValue("Account03EMail"), QStringLiteral("user3@example.org"));
    }

    void storedPortsAreTcpPorts_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("port");
        QTest::newRow("high") << "40000" << 40000;
        QTest::newRow("highest") << "65535" << 65535;
        QTest::newRow("old signed field's high port") << "-25536" << 40000;
        QTest::newRow("old signed field's lowest") << "-32768" << 32768;
    }
    void storedPortsAreTcpPorts() {
        QFETCH(QString, stored);
        QFETCH(int, port);
        env->writeStore(("[Einstellungen]\nAnzahlAccounts=1\nAccount01Port=" + stored + "\n").toUtf8());
        LoadAccounts();
        QCOMPARE(int(Accounts[1].Port), port);
        QVERIFY(SaveAccounts());
        QCOMPARE(RawValue("Account01Port"), QString::number(port));
    }

    // New or left readable by all: the store holds passwords, it is the user's alone.
    void storeFileIsPrivate_data() {
        QTest::addColumn<bool>("existing");
        QTest::newRow("created by saving") << false;
        QTest::newRow("an existing wide file") << true;
    }
    void storeFileIsPrivate() {
        QFETCH(bool, existing);
        if (existing) {
            env->writeStore("[Einstellungen]\nAnzahlAccounts=0\n");
            QFile::setPermissions(env->storeFile(), QFileDevice::Permissions(0x6644));
        }
        const mode_t old = umask(0);  // the widest umask a user could have
        SaveAccounts();
        umask(old);
        QCOMPARE(Mode(env->storeFile()), 0600);
        if (!existing)
            QCOMPARE(Mode(QFileInfo(env->storeFile()).absolutePath()) & 0077, 0);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
