#include "app/alertdispatch.h"
#include "app/protocollist.h"
#include "core/account.h"
#include "core/listview.h"
#include "core/sound.h"
#include "uitestenvironment.h"
#include "tray/formbenachrichtigung.h"
#include "recordingtrayplatform.h"
#include "tray/tray.h"

#include <QFile>
#include <QtTest>
#include <memory>

namespace {
// Account, mailbox and count of each row; "*" marks a row bold in all four cells, "?" in some.
QStringList Rows(const ListView& list) {
    QStringList out;
    for (int r = 1; r <= list.RowCount(); ++r) {
        const int bold = list.IsBold(r, 0) + list.IsBold(r, 1) + list.IsBold(r, 2) + list.IsBold(r, 3);
        out << QString(bold == 4 ? "*" : bold ? "?" : "") + list.Text(r, 1) + '|' + list.Text(r, 2) + '|' + list.Text(r, 3);
    }
    return out;
}
}  // namespace

class TestAlertDispatch : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env_;
    std::unique_ptr<ListView> results_;
    std::unique_ptr<Tray> tray_;
    RecordingTrayPlatform* platform_ = nullptr;
    QStringList steps_;  // rows, balloon and sound; "+" once the notification window is visible

    void step(const QString& name) {
        const formBenachrichtigung* w = formBenachrichtigung::Existing();
        steps_ << name + (w && w->isVisible() ? "+" : "");
    }

    void dispatch(const QList<int>& counts) {
        Accounts = AccountsWithCounts(counts);
        DispatchAlert(*results_, tray_.get());
    }

private slots:
    void init() {
        env_ = std::make_unique<UiTestEnvironment>();
        steps_.clear();
        Sound::SetRecorderForTesting([this](const QString& request) { step(request); });
        results_ = std::make_unique<ListView>();
        SetUpResultList(*results_);
        connect(results_->model(), &QAbstractItemModel::rowsInserted, this, [this] { step(QStringLiteral("row")); });
        auto platform = std::make_unique<RecordingTrayPlatform>();
        platform_ = platform.get();
        connect(platform_, &RecordingTrayPlatform::MessageRecorded, this, [this] { step(QStringLiteral("balloon")); });
        tray_ = std::make_unique<Tray>(TrayActions{}, std::move(platform));
        tray_->AddTrayIcon();
        Settings.BalloonTip = 1;  // window and beep are on by default
    }
    void cleanup() {
        formBenachrichtigung::CloseIfOpen();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        tray_.reset();
        results_.reset();
        env_.reset();
    }

    void mailOkAndFailureInOrder() {
        dispatch({3, 0, -1});
        QCOMPARE(steps_, (QStringList{"row", "row", "balloon+", "beep+"}));
        QCOMPARE(Rows(*results_), (QStringList{"a@example.org|INBOX|3", "c@example.org|INBOX|error"}));
        // The window lists every account, sorted by the text of the count, the one with mail bold.
        formBenachrichtigung* w = formBenachrichtigung::Existing();
        QVERIFY(w && w->isVisible());
        QVERIFY(w->testAttribute(Qt::WA_ShowWithoutActivating));  // BenachrichtigungFokus 0
        QCOMPARE(Rows(*w->ListView1), (QStringList{"c@example.org|INBOX|Fehler", "*a@example.org|INBOX|3", "b@example.org|INBOX|0"}));
        QCOMPARE(w->ListView1->Text(2, 0), results_->Text(1, 0));
        QCOMPARE(platform_->messages.size(), 1);
        QCOMPARE(platform_->messages[0].title, QStringLiteral("E-Mails eingetroffen"));
        QCOMPARE(platform_->messages[0].text, QStringLiteral("\r\na@example.org\tINBOX\t 3\r\nc@example.org\tINBOX\t (Fehler)\r\n\r\n"
                                                             "Klicken Sie hier um das E-Mail Programm zu starten."));
    }

    void noMailNothingAtAll() {
        dispatch({0, -1});
        QVERIFY(steps_.isEmpty());
        QVERIFY(!formBenachrichtigung::Existing());
        QVERIFY(platform_->messages.isEmpty());
    }

    void waveFilePlaysInTheBackground() {
        QFile f(env_->path(QStringLiteral("mail.wav")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("RIFF") == 4);
        f.close();
        Settings.Sound = SoundChoice::WaveFile;
        Settings.SoundDatei = f.fileName();
        dispatch({1});
        QCOMPARE(steps_.last(), "async:" + f.fileName() + "+");
    }

    void openWindowIsRefilled() {
        Settings.BenachrichtigungFokus = 1;
        dispatch({3, 0, -1});
        QPointer<formBenachrichtigung> first = formBenachrichtigung::Existing();
        QVERIFY(!first->testAttribute(Qt::WA_ShowWithoutActivating));
        // Still open at the next alert: the same window, its rows replaced, bold where mail is.
        dispatch({0, 5, 10});
        QCOMPARE(formBenachrichtigung::Existing(), first.data());
        QCOMPARE(Rows(*first->ListView1), (QStringList{"*b@example.org|INBOX|5", "*c@example.org|INBOX|10", "a@example.org|INBOX|0"}));
        QCOMPARE(results_->RowCount(), 4);  // the result list keeps its rows
    }
};

QTEST_MAIN(TestAlertDispatch)
#include "tst_alertdispatch.moc"
