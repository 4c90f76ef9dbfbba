#include "check/alertplan.h"
#include "testenvironment.h"

#include <QFile>
#include <QtTest>
#include <memory>

using Rows = QVector<AlertPlan::ResultRow>;

namespace {
const QString kTime = QStringLiteral("21:11:49");
const QString kClosing = QStringLiteral("Klicken Sie hier um das E-Mail Programm zu starten.");

// Accounts a@…, b@…, c@… with the given counts; slot 0 stays empty.
QVector<Account> AccountsWithCounts(const QList<int>& counts) {
    QVector<Account> list(1);
    char name = 'a';
    for (int count : counts) {
        Account a;
        a.EMail = QString(QLatin1Char(name)) + QStringLiteral("@example.org");
        a.Mailbox = name == 'b' ? QStringLiteral("Archiv") : QStringLiteral("INBOX");
        a.NewMailCount = qint16(count);
        list.append(a);
        ++name;
    }
    return list;
}

SettingsRecord AllOn() {
    SettingsRecord s;
    s.Benachrichtigungsfenster = 1;
    s.BalloonTip = 1;
    s.BenachrichtigungFokus = 0;
    s.Sound = 1;
    return s;
}

QStringList Texts(const Rows& rows) {
    QStringList out;
    for (const auto& r : rows)
        out << r.email + QLatin1Char('|') + r.mailbox + QLatin1Char('|') + r.count;
    return out;
}

QStringList Texts(const QVector<AlertPlan::WindowRow>& rows) {
    QStringList out;
    for (const auto& r : rows)
        out << r.email + QLatin1Char('|') + r.count + (r.bold ? QStringLiteral("|bold") : QString());
    return out;
}
}  // namespace

class TestAlertPlan : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;

private slots:
    void init() { env_ = std::make_unique<TestEnvironment>(); }
    void cleanup() { env_.reset(); }

    void whoGetsRows_data() {
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<bool>("alert");
        QTest::addColumn<QStringList>("resultRows");
        QTest::addColumn<QStringList>("windowRows");
        QTest::addColumn<QString>("balloonLines");
        QTest::newRow("3, 0, -1") << QList<int>{3, 0, -1} << true
                                  << QStringList{"a@example.org|INBOX|3", "c@example.org|INBOX|error"}
                                  << QStringList{"a@example.org|3|bold", "b@example.org|0", "c@example.org|Fehler"}
                                  << "a@example.org\tINBOX\t 3\r\nc@example.org\tINBOX\t (Fehler)\r\n";
        QTest::newRow("0 and -1 only: nothing") << QList<int>{0, -1} << false << QStringList{} << QStringList{} << "";
        QTest::newRow("all failed: nothing") << QList<int>{-1, -1} << false << QStringList{} << QStringList{} << "";
        QTest::newRow("no accounts: nothing") << QList<int>{} << false << QStringList{} << QStringList{} << "";
        QTest::newRow("one account with mail") << QList<int>{1} << true << QStringList{"a@example.org|INBOX|1"}
                                               << QStringList{"a@example.org|1|bold"} << "a@example.org\tINBOX\t 1\r\n";
        QTest::newRow("failure before mail keeps list order")
            << QList<int>{-1, 12} << true << QStringList{"a@example.org|INBOX|error", "b@example.org|Archiv|12"}
            << QStringList{"a@example.org|Fehler", "b@example.org|12|bold"}
            << "a@example.org\tINBOX\t (Fehler)\r\nb@example.org\tArchiv\t 12\r\n";
        QTest::newRow("largest count") << QList<int>{32767} << true << QStringList{"a@example.org|INBOX|32767"}
                                       << QStringList{"a@example.org|32767|bold"} << "a@example.org\tINBOX\t 32767\r\n";
    }

    void whoGetsRows() {
        QFETCH(QList<int>, counts);
        QFETCH(bool, alert);
        QFETCH(QStringList, resultRows);
        QFETCH(QStringList, windowRows);
        QFETCH(QString, balloonLines);
        const AlertPlan plan = PlanAlert(AccountsWithCounts(counts), AllOn(), kTime);
        QCOMPARE(plan.alert, alert);
        QCOMPARE(Texts(plan.resultRows), resultRows);
        QCOMPARE(Texts(plan.windowRows), windowRows);
        if (!alert) {
            QVERIFY(!plan.showWindow);
            QVERIFY(!plan.showBalloon);
            QCOMPARE(plan.sound, AlertPlan::SoundAction::None);
            return;
        }
        QCOMPARE(plan.balloonTitle, QStringLiteral("E-Mails eingetroffen"));
        QCOMPARE(plan.balloonIconFlag, 1);
        QCOMPARE(plan.balloonText, QStringLiteral("\r\n") + balloonLines + QStringLiteral("\r\n") + kClosing);
        for (const auto& r : plan.resultRows)
            QCOMPARE(r.time, kTime);
        for (const auto& r : plan.windowRows)
            QCOMPARE(r.time, kTime);
    }

    void slotZeroIsNoAccount() {
        QVector<Account> list = AccountsWithCounts({0});
        list[0].NewMailCount = 5;
        list[0].EMail = QStringLiteral("niemand@example.org");
        const AlertPlan plan = PlanAlert(list, AllOn(), kTime);
        QVERIFY(!plan.alert);
    }

    void settingsSwitchTheWays_data() {
        QTest::addColumn<int>("fenster");
        QTest::addColumn<int>("fokus");
        QTest::addColumn<int>("balloon");
        QTest::addColumn<bool>("showWindow");
        QTest::addColumn<bool>("takesFocus");
        QTest::addColumn<bool>("showBalloon");
        QTest::newRow("window and balloon, no focus") << 1 << 0 << 1 << true << false << true;
        QTest::newRow("window with focus") << 1 << 1 << 0 << true << true << false;
        QTest::newRow("neither window nor balloon") << 0 << 0 << 0 << false << false << false;
        QTest::newRow("balloon only") << 0 << 1 << 1 << false << true << true;
        // On/off settings are tested against 1; other stored values count as off.
        QTest::newRow("values other than 1 are off") << 2 << -1 << 7 << false << false << false;
    }

    void settingsSwitchTheWays() {
        QFETCH(int, fenster);
        QFETCH(int, fokus);
        QFETCH(int, balloon);
        QFETCH(bool, showWindow);
        QFETCH(bool, takesFocus);
        QFETCH(bool, showBalloon);
        SettingsRecord s = AllOn();
        s.Benachrichtigungsfenster = qint16(fenster);
        s.BenachrichtigungFokus = qint16(fokus);
        s.BalloonTip = qint16(balloon);
        const AlertPlan plan = PlanAlert(AccountsWithCounts({2, 0}), s, kTime);
        QVERIFY(plan.alert);
        QCOMPARE(plan.showWindow, showWindow);
        QCOMPARE(plan.windowTakesFocus, takesFocus);
        QCOMPARE(plan.showBalloon, showBalloon);
        QCOMPARE(plan.windowRows.isEmpty(), !showWindow);
        QCOMPARE(plan.resultRows.size(), 1);  // result rows do not depend on the settings
    }

    void sound_data() {
        QTest::addColumn<int>("sound");
        QTest::addColumn<QString>("file");  // relative to the test folder; "" = empty setting
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("playsTheFile");
        QTest::newRow("0: silence") << 0 << "mail.wav" << int(AlertPlan::SoundAction::None) << false;
        QTest::newRow("1: system beep") << 1 << "mail.wav" << int(AlertPlan::SoundAction::Beep) << false;
        QTest::newRow("1 with a missing file still beeps") << 1 << "fehlt.wav" << int(AlertPlan::SoundAction::Beep) << false;
        QTest::newRow("2 with an existing file: the file") << 2 << "mail.wav" << int(AlertPlan::SoundAction::PlayFile) << true;
        QTest::newRow("2 with a missing file: silence, no beep") << 2 << "fehlt.wav" << int(AlertPlan::SoundAction::None) << false;
        QTest::newRow("2 with an empty path: silence") << 2 << "" << int(AlertPlan::SoundAction::None) << false;
        QTest::newRow("2 with a folder: silence") << 2 << "ordner" << int(AlertPlan::SoundAction::None) << false;
        QTest::newRow("unknown value: silence") << 3 << "mail.wav" << int(AlertPlan::SoundAction::None) << false;
    }

    void sound() {
        QFETCH(int, sound);
        QFETCH(QString, file);
        QFETCH(int, expected);
        QFETCH(bool, playsTheFile);
        QFile wav(env_->path(QStringLiteral("mail.wav")));
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.write("RIFF");
        wav.close();
        QDir().mkpath(env_->path(QStringLiteral("ordner")));
        SettingsRecord s = AllOn();
        s.Sound = qint16(sound);
        s.SoundDatei = file.isEmpty() ? QString() : env_->path(file);
        const AlertPlan plan = PlanAlert(AccountsWithCounts({1}), s, kTime);
        QCOMPARE(int(plan.sound), expected);
        QCOMPARE(plan.soundFile, playsTheFile ? s.SoundDatei : QString());
    }

};

QTEST_MAIN(TestAlertPlan)
#include "tst_alertplan.moc"
