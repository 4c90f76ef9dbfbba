#include "check/alertdispatch.h"
#include "core/account.h"
#include "core/listview.h"
#include "core/sound.h"
#include "testenvironment.h"
#include "tray/formbenachrichtigung.h"
#include "tray/recordingtrayplatform.h"
#include "tray/tray.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
// The main window's result list as it is set up at start-up.
void SetUpResultListForTest(ListView& list) {
    list.SetReportView();
    list.AddColumn(QStringLiteral("Uhrzeit"), 900);
    list.AddColumn(QStringLiteral("Account"), 1750);
    list.AddColumn(QStringLiteral("Mailbox"), 1000);
    list.AddColumn(QStringLiteral("#"), 460, ListView::Align::Center);
}

void SetAccounts(const QList<int>& counts) {
    Accounts = QVector<Account>(1);
    char name = 'a';
    for (int count : counts) {
        Account a;
        a.EMail = QString(QLatin1Char(name++)) + QStringLiteral("@example.org");
        a.Mailbox = QStringLiteral("INBOX");
        a.NewMailCount = qint16(count);
        Accounts.append(a);
    }
}

QStringList Column(const ListView& list, int column) {
    QStringList out;
    for (int r = 1; r <= list.RowCount(); ++r)
        out << list.Text(r, column);
    return out;
}

// Notes every step of an alert in the order the user would see them.
class StepLog : public QObject {
public:
    QStringList steps;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<formBenachrichtigung*>(watched))
            steps << QStringLiteral("window");
        return false;
    }
};
}  // namespace

class TestAlertDispatch : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;
    std::unique_ptr<ListView> results_;
    std::unique_ptr<Tray> tray_;
    RecordingTrayPlatform* platform_ = nullptr;
    QStringList sounds_;

private slots:
    void init() {
        env_ = std::make_unique<TestEnvironment>();
        sounds_.clear();
        Sound::SetRecorderForTesting([this](const QString& request) { sounds_ << request; });
        results_ = std::make_unique<ListView>();
        SetUpResultListForTest(*results_);
        auto platform = std::make_unique<RecordingTrayPlatform>();
        platform_ = platform.get();
        tray_ = std::make_unique<Tray>(TrayActions{}, std::move(platform));
        tray_->AddTrayIcon();
        Settings.Benachrichtigungsfenster = 1;
        Settings.BalloonTip = 1;
        Settings.BenachrichtigungFokus = 0;
        Settings.Sound = 1;
    }

    void cleanup() {
        QPointer<formBenachrichtigung> w = formBenachrichtigung::Existing();
        formBenachrichtigung::CloseIfOpen();
        QTRY_VERIFY(w.isNull());
        tray_.reset();
        results_.reset();
        env_.reset();
    }

    void mailOkAndFailure() {
        SetAccounts({3, 0, -1});
        DispatchAlert(*results_, tray_.get());

        // Result list: the account with mail, then the failed one.
        QCOMPARE(results_->RowCount(), 2);
        QCOMPARE(Column(*results_, 1), (QStringList{"a@example.org", "c@example.org"}));
        QCOMPARE(Column(*results_, 2), (QStringList{"INBOX", "INBOX"}));
        QCOMPARE(Column(*results_, 3), (QStringList{"3", "error"}));
        QVERIFY(!results_->Text(1, 0).isEmpty());

        // Window: every account, sorted by the text of "E-Mails", the account with mail in bold.
        formBenachrichtigung* w = formBenachrichtigung::Existing();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        ListView* list = w->ListView1;
        QCOMPARE(Column(*list, 3), (QStringList{"Fehler", "3", "0"}));
        QCOMPARE(Column(*list, 1), (QStringList{"c@example.org", "a@example.org", "b@example.org"}));
        for (int cell = 0; cell < 4; ++cell) {
            QVERIFY(!list->IsBold(1, cell));
            QVERIFY(list->IsBold(2, cell));
            QVERIFY(!list->IsBold(3, cell));
        }
        QCOMPARE(list->Text(2, 0), results_->Text(1, 0));

        // Balloon.
        QCOMPARE(platform_->messages.size(), 1);
        QCOMPARE(platform_->messages[0].title, QStringLiteral("E-Mails eingetroffen"));
        QCOMPARE(platform_->messages[0].iconFlag, 1);
        QCOMPARE(platform_->messages[0].text,
                 QStringLiteral("\r\na@example.org\tINBOX\t 3\r\nc@example.org\tINBOX\t (Fehler)\r\n\r\n"
                                "Klicken Sie hier um das E-Mail Programm zu starten."));

        // Sound.
        QCOMPARE(sounds_, QStringList{"beep"});
    }

    void noMailNothingAtAll() {
        SetAccounts({0, -1});
        DispatchAlert(*results_, tray_.get());
        QCOMPARE(results_->RowCount(), 0);
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        QVERIFY(platform_->messages.isEmpty());
        QVERIFY(sounds_.isEmpty());
    }

    void stepsInOrder() {
        StepLog log;
        connect(results_->model(), &QAbstractItemModel::rowsInserted, &log, [&] { log.steps << QStringLiteral("row"); });
        connect(platform_, &RecordingTrayPlatform::MessageRecorded, &log, [&] { log.steps << QStringLiteral("balloon"); });
        Sound::SetRecorderForTesting([&](const QString&) { log.steps << QStringLiteral("sound"); });
        qApp->installEventFilter(&log);
        SetAccounts({3, 0, -1});
        DispatchAlert(*results_, tray_.get());
        qApp->removeEventFilter(&log);
        QCOMPARE(log.steps, (QStringList{"row", "row", "window", "balloon", "sound"}));
    }

    void rowAndBeepOnly() {
        Settings.Benachrichtigungsfenster = 0;
        Settings.BalloonTip = 0;
        SetAccounts({2});
        DispatchAlert(*results_, tray_.get());
        QCOMPARE(results_->RowCount(), 1);
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        QVERIFY(platform_->messages.isEmpty());
        QCOMPARE(sounds_, QStringList{"beep"});
    }

    void waveFile_data() {
        QTest::addColumn<bool>("exists");
        QTest::newRow("Sound 2, file exists: played in the background") << true;
        QTest::newRow("Sound 2, file missing: nothing played") << false;
    }

    void waveFile() {
        QFETCH(bool, exists);
        const QString path = env_->path(QStringLiteral("mail.wav"));
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("RIFF");
        }
        Settings.Sound = 2;
        Settings.SoundDatei = path;
        SetAccounts({1});
        DispatchAlert(*results_, tray_.get());
        QCOMPARE(sounds_, exists ? QStringList{"async:" + path} : QStringList{});
    }

    void focusSetting_data() {
        QTest::addColumn<int>("fokus");
        QTest::newRow("BenachrichtigungFokus 0: without activation") << 0;
        QTest::newRow("BenachrichtigungFokus 1: activated") << 1;
    }

    void focusSetting() {
        QFETCH(int, fokus);
        Settings.BenachrichtigungFokus = qint16(fokus);
        SetAccounts({1});
        DispatchAlert(*results_, tray_.get());
        formBenachrichtigung* w = formBenachrichtigung::Existing();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->testAttribute(Qt::WA_ShowWithoutActivating), fokus != 1);
    }

    void openWindowIsRefilled() {
        SetAccounts({3, 0, -1});
        DispatchAlert(*results_, tray_.get());
        QPointer<formBenachrichtigung> first = formBenachrichtigung::Existing();
        QVERIFY(first);

        // Still open at the next alert: the same window, its rows replaced, bold where mail is.
        SetAccounts({0, 5, 10});
        DispatchAlert(*results_, tray_.get());
        QCOMPARE(formBenachrichtigung::Existing(), first.data());
        ListView* list = first->ListView1;
        QCOMPARE(Column(*list, 3), (QStringList{"5", "10", "0"}));  // compared as text
        QCOMPARE(Column(*list, 1), (QStringList{"b@example.org", "c@example.org", "a@example.org"}));
        QVERIFY(list->IsBold(1, 0) && list->IsBold(1, 3));
        QVERIFY(list->IsBold(2, 0) && list->IsBold(2, 3));
        QVERIFY(!list->IsBold(3, 0) && !list->IsBold(3, 3));
        QCOMPARE(results_->RowCount(), 4);  // 2 + 2, the result list keeps its rows
    }

    void closedWindowComesBackEmptyAndNew() {
        SetAccounts({1});
        DispatchAlert(*results_, tray_.get());
        QPointer<formBenachrichtigung> first = formBenachrichtigung::Existing();
        first->Command2->click();
        QTRY_VERIFY(first.isNull());
        SetAccounts({0, 2});
        DispatchAlert(*results_, tray_.get());
        formBenachrichtigung* second = formBenachrichtigung::Existing();
        QVERIFY(second);
        QCOMPARE(second->ListView1->RowCount(), 2);
    }

    void sameMailAlertsEveryCycle() {
        SetAccounts({2});
        DispatchAlert(*results_, tray_.get());
        DispatchAlert(*results_, tray_.get());
        QCOMPARE(results_->RowCount(), 2);
        QCOMPARE(platform_->messages.size(), 2);
        QCOMPARE(sounds_.size(), 2);
    }

    void withoutTrayNoBalloon() {
        SetAccounts({2});
        DispatchAlert(*results_, nullptr);
        QCOMPARE(results_->RowCount(), 1);
        QCOMPARE(sounds_, QStringList{"beep"});
    }
};

QTEST_MAIN(TestAlertDispatch)
#include "tst_alertdispatch.moc"
