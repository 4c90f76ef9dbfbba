// The files the program keeps: the store with the written forms of its values (numbers as the user and
// the store write them, scrambled passwords; error 0 means none), and the two error logs.
#include "core/funktionen.h"
#include "core/errorlog.h"
#include "core/numeric.h"
#include "core/runtimeerror.h"
#include "testenvironment.h"

#include <QSettings>
#include <QtTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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

class TestStoreAndLogs : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
private slots:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }

    // German decimal comma and thousands dots, halves rounded to even, 16-bit range; error 6 overflow,
    // 13 type mismatch.
    void toInt16_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("blanks around") << "  143 " << 143 << 0;
        QTest::newRow("thousands, decimal, half rounds to even down") << "1.234,5" << 1234 << 0;
        QTest::newRow("half rounds to even up") << "1,5" << 2 << 0;
        QTest::newRow("negative half") << "-2,5" << -2 << 0;
        QTest::newRow("min") << "-32768" << -32768 << 0;
        QTest::newRow("rounds into range") << "32767,4" << 32767 << 0;
        QTest::newRow("rounds out of range") << "32767,5" << 0 << 6;
        QTest::newRow("too small") << "-32769" << 0 << 6;
        QTest::newRow("empty") << "" << 0 << 13;
        QTest::newRow("exponent, which the locale would take") << "1e5" << 0 << 13;
    }
    void toInt16() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(int, error);
        QCOMPARE(Numeric::IsNumeric(text), error != 13);
        QCOMPARE(Numeric::FitsInt16(text), error == 0);
        try {
            QCOMPARE(int(Numeric::ToInt16(text)), expected);
            QCOMPARE(error, 0);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }

    // The stored form: the factor k × 7, then k × each character's code (Windows-1252 where the
    // character has one, else its Unicode code), joined by "|".
    void storedPassword_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("k");  // 0: only read
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("error");
        QTest::newRow("ascii") << "abc" << 3 << "21|291|294|297" << 0;
        QTest::newRow("blank inside") << "a b" << 1 << "7|97|32|98" << 0;
        QTest::newRow("umlaut from Windows-1252") << QString::fromUtf8("ä") << 2 << "14|456" << 0;
        QTest::newRow("sharp s") << QString::fromUtf8("ß") << 25 << "175|5575" << 0;
        QTest::newRow("euro sign is 128") << QString::fromUtf8("€") << 1 << "7|128" << 0;
        QTest::newRow("empty password is the factor alone") << "" << 4 << "28" << 0;
        QTest::newRow("outside the code page by its Unicode code") << QString::fromUtf8("zażółć€") << 2
                                                                   << "14|244|194|760|486|644|526|256" << 0;
        QTest::newRow("beyond the basic plane") << QString::fromUtf8("😀") << 1 << "7|55357|56832" << 0;
        QTest::newRow("empty text") << "" << 0 << "" << 0;
        QTest::newRow("half rounds to even") << QString(QChar(2)) + QChar(4) << 0 << "14|5|7" << 0;
        QTest::newRow("head not a number") << "" << 0 << "x|97" << 13;
        QTest::newRow("zero head") << "" << 0 << "0|97" << 11;
        QTest::newRow("code above 65535") << "" << 0 << "7|65536" << 5;
    }
    void storedPassword() {
        QFETCH(QString, plain);
        QFETCH(int, k);
        QFETCH(QString, stored);
        QFETCH(int, error);
        if (k > 0)
            QCOMPARE(EncodePassword(plain, k), stored);
        try {
            QCOMPARE(DecodePassword(stored), plain);
            QCOMPARE(error, 0);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }

    void passwordRoundTripWithDrawnFactor() {
        for (const QString& plain : {QStringLiteral("geheim"), QString::fromUtf8("Grüße€Ölß"), QStringLiteral("p|a\"s s\\w(o)r{d}%*")}) {
            const QString stored = EncodePassword(plain);
            const int head = stored.section(QLatin1Char('|'), 0, 0).toInt();
            QVERIFY2(head % 7 == 0 && head >= 7 && head <= 175, qPrintable(stored));
            QCOMPARE(DecodePassword(stored), plain);
        }
    }

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

    // error.log keeps only the last entry; a reported error also shows its box.
    void errorLogKeepsOnlyTheLastEntry() {
        WriteErrorLog(0, QString(), QStringLiteral("Timeout bei Account postfach1"), QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9)));
        QCOMPARE(env->read("error.log"), QByteArray("#2024-03-01#,#14:05:09#,0,\"\",\"Timeout bei Account postfach1\"\r\n"));
        QStringList boxes;
        SetErrorBoxHandler([&](const QString& text) { boxes << text; });
        ReportError(QStringLiteral("Timer2_Timer()"), RuntimeError::overflow());
        const QString rule(49, QLatin1Char('-'));
        QCOMPARE(boxes, QStringList{"\r\nEs ist ein Fehler aufgetreten:\r\n" + rule + "\r\nFehler Nr. 6\r\nÜberlauf\r\n" +
                                    rule + "\r\n"});
        const QByteArray log = env->read("error.log");
        QVERIFY2(log.endsWith(QString::fromUtf8(",6,\"Überlauf\",\"Timer2_Timer()\"\r\n").toUtf8()), log.constData());
        QCOMPARE(log.count("\r\n"), 1);
    }

    void winsockLogAppendsAndUsesMidnightRule() {
        WriteWinsockErrorLog(0, QStringLiteral("Verbindung verweigert"), QDateTime(QDate(2024, 3, 1), QTime(0, 0, 0)));
        WriteWinsockErrorLog(1, QStringLiteral("Host nicht gefunden"), QDateTime(QDate(2024, 3, 1), QTime(0, 0, 1)));
        QCOMPARE(env->read("winsock_error.log"), QByteArray("#2024-03-01#,0,\"Verbindung verweigert\"\r\n"
                                                            "#2024-03-01 00:00:01#,1,\"Host nicht gefunden\"\r\n"));
    }

    // The store holds passwords, both logs e-mail addresses: each is its owner's alone, also when an
    // older run left it readable by all; a link planted where a log belongs is never written through.
    void filesArePrivate_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("plant");
        QTest::newRow("new store") << "store" << "";
        QTest::newRow("store left readable by all") << "store" << "readable";
        QTest::newRow("new error.log") << "error.log" << "";
        QTest::newRow("winsock_error.log left readable by all") << "winsock_error.log" << "readable";
        QTest::newRow("error.log, link to a file") << "error.log" << "symlink";
        QTest::newRow("error.log, link to nothing") << "error.log" << "dangling";
        QTest::newRow("winsock_error.log, hard link") << "winsock_error.log" << "hardlink";
    }
    void filesArePrivate() {
        QFETCH(QString, file);
        QFETCH(QString, plant);
        const QString path = file == "store" ? env->storeFile() : env->path(file);
        const QString victim = env->path("victim");
        const bool linked = plant.endsWith("link") || plant == "dangling";
        if (plant == "readable" || (linked && plant != "dangling")) {
            QDir().mkpath(QFileInfo(path).path());
            QFile planted(plant == "readable" ? path : victim);
            QVERIFY(planted.open(QIODevice::WriteOnly));
            planted.write("[Einstellungen]\n");
            QVERIFY(planted.setPermissions(QFileDevice::Permissions(0x6644)));
        }
        if (plant == "hardlink")
            QCOMPARE(::link(QFile::encodeName(victim).constData(), QFile::encodeName(path).constData()), 0);
        else if (linked)
            QVERIFY(QFile::link(victim, path));
        const mode_t umask = ::umask(0);  // the widest umask a user could have
        if (file == "store")
            SaveAccounts();
        else if (file == "error.log")
            WriteErrorLog(0, QString(), QStringLiteral("Timeout bei Account postfach1"));
        else
            WriteWinsockErrorLog(10061, QStringLiteral("Verbindung verweigert"));
        ::umask(umask);
        if (linked) {
            QCOMPARE(env->read("victim"), plant == "dangling" ? QByteArray() : QByteArray("[Einstellungen]\n"));
            QCOMPARE(QFileInfo::exists(victim), plant != "dangling");
            return;
        }
        QCOMPARE(Mode(path), 0600);
        if (file == "store" && plant.isEmpty())
            QCOMPARE(Mode(QFileInfo(path).absolutePath()) & 0077, 0);
    }

    // winsock_error.log stays under 1 MB: the oldest whole lines go, the newest stay in order.
    void winsockLogDropsItsOldestLines() {
        QByteArray old;
        for (int i = 0; old.size() < 1024 * 1024 - 40; ++i)
            old += "#2024-03-01 00:00:01#,10061,\"alt " + QByteArray::number(i) + "\"\r\n";
        QFile file(env->path("winsock_error.log"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        WriteWinsockErrorLog(1, QStringLiteral("neu"), QDateTime(QDate(2024, 3, 2), QTime(8, 0, 0)));
        const QByteArray now = env->read("winsock_error.log");
        QVERIFY2(now.size() < 1024 * 1024 && now.size() > 512 * 1024, QByteArray::number(now.size()));
        QVERIFY(now.endsWith("\r\n#2024-03-02 08:00:00#,1,\"neu\"\r\n"));
        QVERIFY(now.startsWith("#2024-03-01 00:00:01#,10061,\"alt "));
        QVERIFY(old.endsWith(now.left(now.lastIndexOf("#2024-03-02"))));
    }
};

QTEST_GUILESS_MAIN(TestStoreAndLogs)
#include "tst_storeandlogs.moc"
