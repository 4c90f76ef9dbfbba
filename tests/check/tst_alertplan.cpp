#include "check/alertplan.h"
#include "check/checksummary.h"
#include "testenvironment.h"

#include <QFile>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(AlertPlan::SoundAction)

// Settings in the order interval, e-mail program, focus, sound, wave file, window, balloon.
using S = SettingsRecord;

class TestAlertPlan : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;

private slots:
    void init() { env_ = std::make_unique<TestEnvironment>(); }
    void cleanup() { env_.reset(); }

    // Window, focus and balloon each follow their own setting, and only the value 1 is on.
    void settingsSwitchTheWays() {
        const AlertPlan window = PlanAlert(AccountsWithCounts({2, 0}), S{5, {}, 1, SoundChoice::Beep, {}, 1, 0});
        QVERIFY(window.alert && window.showWindow && window.windowTakesFocus && !window.showBalloon);
        const AlertPlan balloon = PlanAlert(AccountsWithCounts({2, 0}), S{5, {}, -1, SoundChoice::Beep, {}, 2, 1});
        QVERIFY(balloon.alert && !balloon.showWindow && !balloon.windowTakesFocus && balloon.showBalloon);
        QCOMPARE(balloon.resultRows.size(), 1);
    }

    void sound_data() {
        QTest::addColumn<int>("sound");
        QTest::addColumn<QString>("file");  // in the test folder; mail.wav exists
        QTest::addColumn<AlertPlan::SoundAction>("action");
        QTest::newRow("0: silence") << 0 << "mail.wav" << AlertPlan::SoundAction::None;
        QTest::newRow("1 beeps, whatever the file") << 1 << "fehlt.wav" << AlertPlan::SoundAction::Beep;
        QTest::newRow("2 plays an existing file") << 2 << "mail.wav" << AlertPlan::SoundAction::PlayFile;
        QTest::newRow("2 with a missing file: silence, no beep") << 2 << "fehlt.wav" << AlertPlan::SoundAction::None;
        QTest::newRow("2 with a folder: silence") << 2 << "" << AlertPlan::SoundAction::None;
    }
    void sound() {
        QFETCH(int, sound);
        QFETCH(QString, file);
        QFETCH(AlertPlan::SoundAction, action);
        QFile wav(env_->path(QStringLiteral("mail.wav")));
        QVERIFY(wav.open(QIODevice::WriteOnly) && wav.write("RIFF") == 4);
        wav.close();
        const S s{5, {}, 0, SoundChoice(sound), env_->path(file), 1, 0};
        const AlertPlan plan = PlanAlert(AccountsWithCounts({1}), s);
        QCOMPARE(plan.sound, action);
        QCOMPARE(plan.soundFile, action == AlertPlan::SoundAction::PlayFile ? s.SoundDatei : QString());
    }

    // The tray's summary of a cycle: a line per account, failures with their reason where known.
    void summary() {
        QVector<Account> accounts = AccountsWithCounts({2, 0, -1, -1});
        accounts[3].CheckFailure = QStringLiteral("Anmeldung abgelehnt");
        QCOMPARE(CheckSummary::Text(accounts, QStringLiteral("22:03")),
                 QStringLiteral("Postfalke – letzte Abfrage 22:03\na@example.org: 2 neue\nb@example.org: keine neuen\n"
                                "c@example.org: Fehler – Anmeldung abgelehnt\nd@example.org: Fehler"));
        QVERIFY(CheckSummary::AnyFailed(accounts));
        QVERIFY(!CheckSummary::AnyFailed(AccountsWithCounts({0, 3})));
    }
};

QTEST_MAIN(TestAlertPlan)
#include "tst_alertplan.moc"
