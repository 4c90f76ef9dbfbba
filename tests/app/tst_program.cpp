// The whole program, headless: the main window loaded the way the splash loads it, with a recording
// tray, against a private Dovecot and ports where nothing listens.
#include "app/alertdispatch.h"
#include "app/formmain.h"
#include "app/program.h"
#include "app/protocollist.h"
#include "core/errorlog.h"
#include "core/forms.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "core/shell.h"
#include "core/sound.h"
#include "dialogs/formwillkommen.h"
#include "dialogs/formzertifikat.h"
#include "splash/formsplash.h"
#include "tray/formbenachrichtigung.h"
#include "tray/tray.h"

#include "dovecotserver.h"
#include "localport.h"
#include "modaldriver.h"
#include "recordingtrayplatform.h"
#include "uitestenvironment.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <memory>

namespace {
const QString kClosing = QStringLiteral("Klicken Sie hier um das E-Mail Programm zu starten.");

// Account, mailbox and count of each row; "*" marks a row bold in all four cells, "?" in some.
QStringList Rows(const ListView& list) {
    QStringList out;
    for (int r = 1; r <= list.RowCount(); ++r) {
        const int bold = list.IsBold(r, 0) + list.IsBold(r, 1) + list.IsBold(r, 2) + list.IsBold(r, 3);
        out << QString(bold == 4 ? "*" : bold ? "?" : "") + list.Text(r, 1) + '|' + list.Text(r, 2) + '|' + list.Text(r, 3);
    }
    return out;
}

QRect WorkArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }
}  // namespace

class TestProgram : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env;
    RecordingTrayPlatform* tray = nullptr;
    QStringList steps;  // sounds, in the alert tests rows and balloons too; "+" once the notification window shows
    QStringList shellOpens;
    QStringList errorBoxes;

    // Stores the accounts and the settings, as a user's earlier session would have left them.
    void Store(const QVector<Account>& accounts) {
        Accounts = QVector<Account>(1);
        Accounts += accounts;
        SaveAccounts();
        SaveSettings();
        Accounts = QVector<Account>(1);
    }

    formMain* Load(bool trayAvailable = true) {
        auto platform = std::make_unique<RecordingTrayPlatform>();
        platform->trayAvailable = trayAvailable;
        tray = platform.get();
        return Program::LoadMainWindow(CheckCycle::Intervals{60000, 500}, std::move(platform));
    }

    void Step(const QString& name) {
        const formBenachrichtigung* w = formBenachrichtigung::Existing();
        steps << name + (w && w->isVisible() ? "+" : "");
    }

    void Alert(formMain* main, const QList<int>& counts) {
        Accounts = AccountsWithCounts(counts);
        DispatchAlert(*main->ListView1, &main->TrayIcon());
    }

private slots:
    void initTestCase() {
        // A small font, so that the main window fits the test's screen of 800 x 800 pixels.
        QFont small = QApplication::font();
        small.setPointSize(6);
        QApplication::setFont(small);
    }
    void init() {
        env = std::make_unique<UiTestEnvironment>();
        steps.clear();
        shellOpens.clear();
        errorBoxes.clear();
        Sound::SetRecorderForTesting([this](const QString& r) { Step(r); });
        SetShellOpenHandler([this](const QString& path) { shellOpens << path; });
        SetErrorBoxHandler([this](const QString& text) { errorBoxes << text; });
        Program::WireForms();
        Settings.BalloonTip = 1;
        Settings.Sound = SoundChoice::WaveFile;
        Settings.SoundDatei = env->path(QStringLiteral("fehlt.wav"));
        Settings.EMailProgramm = QStringLiteral("/usr/bin/mailprogramm");
        SaveSettings();
    }
    void cleanup() {
        if (formMain* main = formMain::Instance())
            main->Quit();
        formBenachrichtigung::CloseIfOpen();
        formSplash::SetTimerIntervalForTesting(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        formWillkommen::CloseIfOpen();
        env.reset();
    }

    void startUpChecksAtOnceAndAlerts() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{"maria", "geheim", 3}}), qPrintable(dovecot.errorString()));
        Store({TestAccount(QStringLiteral("maria"), dovecot.port(), QStringLiteral("geheim"))});

        formSplash::SetTimerIntervalForTesting(1);
        formSplash::ShowSplash([this] { Load(); });
        QTRY_VERIFY(formMain::Instance());
        formMain* main = formMain::Instance();
        // The first cycle starts during the start-up, without waiting for a minute tick.
        QVERIFY(main->Cycle().CycleRunning());
        QCOMPARE(main->ListView2->Text(1, 1), QStringLiteral("Connecting to 127.0.0.1:%1").arg(dovecot.port()));
        QVERIFY(!main->isVisible());
        QVERIFY(tray->iconVisible);
        QCOMPARE(tray->tip, QStringLiteral("Postfalke"));

        QTRY_COMPARE(main->ListView1->RowCount(), 1);
        QCOMPARE(Rows(*main->ListView1), QStringList{"maria@example.org|INBOX|3"});

        QVERIFY(formBenachrichtigung::Existing() && formBenachrichtigung::Existing()->isVisible());
        QCOMPARE(tray->messages.size(), 1);
        // Sound 2 with a missing wave file: silence, not even a beep.
        QVERIFY2(steps.isEmpty(), qPrintable(steps.join(',')));

        // The same recent mail alerts again at the next check, here a manual one from the menu.
        main->mnuAbfrage->trigger();
        QTRY_COMPARE(main->ListView1->RowCount(), 2);
        QCOMPARE(tray->messages.size(), 2);
    }

    // An alert fills the result list, then shows the notification window, then the balloon and the
    // sound; the window lists every account, sorted by the text of the count, the one with mail bold.
    // Still open at the next alert, the same window is refilled and takes the focus as the setting says.
    void alertInOrderAndRefill() {
        formMain* main = Load();
        connect(main->ListView1->model(), &QAbstractItemModel::rowsInserted, main, [this] { Step(QStringLiteral("row")); });
        connect(tray, &RecordingTrayPlatform::MessageRecorded, main, [this] { Step(QStringLiteral("balloon")); });
        Settings.Sound = SoundChoice::Beep;
        Alert(main, {3, 0, -1});
        QCOMPARE(steps, (QStringList{"row", "row", "balloon+", "beep+"}));
        QCOMPARE(Rows(*main->ListView1), (QStringList{"a@example.org|INBOX|3", "c@example.org|INBOX|error"}));
        QPointer<formBenachrichtigung> w = formBenachrichtigung::Existing();
        QVERIFY(w->testAttribute(Qt::WA_ShowWithoutActivating));  // BenachrichtigungFokus 0
        QCOMPARE(Rows(*w->ListView1), (QStringList{"c@example.org|INBOX|Fehler", "*a@example.org|INBOX|3", "b@example.org|INBOX|0"}));
        QCOMPARE(w->ListView1->Text(2, 0), main->ListView1->Text(1, 0));
        QCOMPARE(tray->messages.size(), 1);
        QCOMPARE(tray->messages[0].title, QStringLiteral("E-Mails eingetroffen"));
        QCOMPARE(tray->messages[0].text, "\r\na@example.org\tINBOX\t 3\r\nc@example.org\tINBOX\t (Fehler)\r\n\r\n" + kClosing);
        QCOMPARE(tray->messages[0].icon, BalloonIcon::Information);

        Settings.BenachrichtigungFokus = 1;
        Alert(main, {0, 5, 10});
        QCOMPARE(formBenachrichtigung::Existing(), w.data());
        QVERIFY(!w->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(Rows(*w->ListView1), (QStringList{"*b@example.org|INBOX|5", "*c@example.org|INBOX|10", "a@example.org|INBOX|0"}));
        QCOMPARE(main->ListView1->RowCount(), 4);  // the result list keeps its rows
    }

    // A refused certificate is offered after the cycle, once in a run however often it is met.
    void refusedCertificateIsOfferedOncePerRun() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{"maria", "geheim", 1}}), qPrintable(dovecot.errorString()));
        QVERIFY2(dovecot.useCertificate(DovecotServer::Certificate::SelfSigned), qPrintable(dovecot.errorString()));
        Account account = TestAccount(QStringLiteral("maria"), dovecot.tlsPort(), QStringLiteral("geheim"));
        account.Verschluesselung = 2;
        Store({account});
        const auto prompts = [] {
            int shown = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                shown += qobject_cast<formZertifikat*>(w) && w->isVisible();
            return shown;
        };
        formMain* main = Load();
        QTRY_COMPARE(prompts(), 1);
        main->mnuAbfrage->trigger();
        QVERIFY(main->Cycle().CycleRunning());
        QTRY_VERIFY(!main->Cycle().CycleRunning());
        QTest::qWait(50);
        QCOMPARE(prompts(), 1);
        QCOMPARE(Accounts[1].NewMailCount, qint16(-1));
    }

    void damagedStoreIsReportedButTheProgramStaysReachable() {
        env->writeStore("[Einstellungen]\nKontrollIntervall=fünf\nAnzahlAccounts=1\n");
        formMain* main = Load();
        QCOMPARE(errorBoxes.size(), 1);
        QVERIFY(errorBoxes[0].contains(QStringLiteral("Fehler Nr. 13")));
        QVERIFY(QString::fromUtf8(env->read(QStringLiteral("error.log")))
                    .endsWith(",13,\"Typen unverträglich\",\"formMain_Load(), Datei " + env->storeFile() +
                              ", Schlüssel KontrollIntervall\"\r\n"));
        // Everything else is read and the program starts as usual; the blank account is not checked.
        QCOMPARE(AccountCount(), 1);
        QCOMPARE(Settings.KontrollIntervall, qint16(5));
        QVERIFY(!formWillkommen::Instance());
        QVERIFY(!main->Cycle().CycleRunning());
        QCOMPARE(Accounts[1].CheckFailure, QStringLiteral("Kein Server angegeben"));
        // The failure alerts nothing, not even a beep; the tip names it, the icon carries a warning mark.
        QVERIFY(tray->messages.isEmpty());
        QVERIFY(!formBenachrichtigung::Existing());
        QVERIFY(steps.isEmpty());
        QVERIFY(tray->tip.startsWith(QStringLiteral("Postfalke – letzte Abfrage ")));
        QVERIFY(tray->tip.endsWith(QStringLiteral(": Fehler – Kein Server angegeben")));
        QCOMPARE(tray->icon.pixmap(32, 32).toImage(), Tray::WarningIcon().pixmap(32, 32).toImage());
        QVERIFY(tray->iconVisible);
        QVERIFY(main->Label1->text().startsWith(QStringLiteral("Postfalke v")));
        QCOMPARE(main->ListView1->ColumnCount(), 4);
        QCOMPARE(main->ListView2->ColumnCount(), 2);
        QVERIFY(main->Cycle().Timer1()->isActive());
        QCOMPARE(main->frameGeometry().bottomRight(), WorkArea().bottomRight());
        // The tray menu still reaches the program and ends it.
        QSignalSpy unloaded(main, &formMain::Unloaded);
        main->mnuBeenden->trigger();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!tray->iconVisible);
    }

    // Without a tray the main window shows, offers the tray menu on its button "Menü" and as its
    // context menu, and its close box asks as "Beenden" does; with a tray the button stays hidden.
    void withoutTrayTheMainWindowShowsAndOffersTheMenu() {
        Store({TestAccount(QStringLiteral("x"), FreeLocalPort(), QStringLiteral("y"))});
        formMain* main = Load(/*trayAvailable=*/false);
        QVERIFY(main->isVisible());
        QVERIFY(main->Command8->isVisible());
        QCOMPARE(main->Command8->menu(), main->mnuPopUp);
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20), main->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(main, &click);
        QTRY_VERIFY(main->mnuPopUp->isVisible());
        main->mnuPopUp->hide();
        QSignalSpy unloaded(main, &formMain::Unloaded);
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            BoxSeen box;
            AnswerNextBox(this, &box, answer);
            main->close();
            QCOMPARE(box.text, formMain::QuitQuestion());
            QCOMPARE(unloaded.count(), answer == QMessageBox::Yes ? 1 : 0);
            QCOMPARE(main->isVisible(), answer == QMessageBox::No);
        }
        QVERIFY(!Load()->Command8->isVisibleTo(formMain::Instance()));
    }

    // An empty store opens the welcome dialog and checks nothing. Shown from the tray, the main
    // window's whole frame lies in the work area's bottom right corner.
    void trayButtonsCloseBoxAndQuit() {
        formMain* main = Load();
        QVERIFY(formWillkommen::Instance() && formWillkommen::Instance()->isVisible());
        QVERIFY(tray->iconVisible);
        QVERIFY(!main->Cycle().CycleRunning());
        QCOMPARE(main->ListView2->RowCount(), 0);
        QVERIFY(main->Cycle().Timer1()->isActive());

        tray->Activate(QSystemTrayIcon::Trigger);
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QVERIFY(main->frameGeometry().size() != main->size());
        QTRY_COMPARE(main->frameGeometry().bottomRight(), WorkArea().bottomRight());
        main->Command1->click();
        QVERIFY(!main->isVisible());
        tray->cursorPosition = QPoint(40, 30);
        tray->Activate(QSystemTrayIcon::Context);
        QVERIFY(main->mnuPopUp->isVisible());
        QVERIFY(!main->isVisible());  // the hidden window stays hidden behind the menu
        main->mnuPopUp->hide();
        tray->ClickMessage();
        QTRY_COMPARE(shellOpens.size(), 1);
        main->mnuEMailProgramm->trigger();
        main->Command7->click();
        QCOMPARE(shellOpens, QStringList({"/usr/bin/mailprogramm", "/usr/bin/mailprogramm",
                                          QDir::toNativeSeparators(env->folder() + "/hilfe/start.html")}));
        // The settings dialog's balloon test presses the hidden Command6.
        Forms::PressMainCommand6();
        QCOMPARE(tray->messages.size(), 1);
        QCOMPARE(tray->messages[0].title, QStringLiteral("Postfalke Test"));
        QCOMPARE(tray->messages[0].text, "\r\nDies ist eine Test-Benachrichtigung\r\n\r\n" + kClosing);

        // The close box hides the window and the checks go on; "Beenden" asks first, then ends
        // everything, the notification window too.
        QSignalSpy unloaded(main, &formMain::Unloaded);
        main->ShowMainWindow();
        main->close();
        QVERIFY(!main->isVisible());
        QVERIFY(main->Cycle().Timer1()->isActive());
        BoxSeen box;
        AnswerNextBox(this, &box, QMessageBox::No);
        main->Command3->click();
        QCOMPARE(box.title, QStringLiteral("Postfalke"));
        QCOMPARE(box.text, QStringLiteral("\r\nWollen Sie Postfalke wirklich beenden?\r\n"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(tray->iconVisible);

        formBenachrichtigung::Instance()->PlaceAndShow(false);
        AnswerNextBox(this, &box, QMessageBox::Yes);
        main->Command3->click();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!tray->iconVisible);
        QVERIFY(!main->TrayIcon().IsTrayWindowProcInstalled());
        QVERIFY(!main->Cycle().Timer1()->isActive());
        QVERIFY(!formMain::Instance());
        QVERIFY(!formBenachrichtigung::Existing());
    }

    void protocolKeepsTheNewest200InView() {
        formMain* main = Load();
        main->ShowMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        ListView& list = *main->ListView2;
        for (int i = 1; i <= 201; ++i)
            AppendProtocolEntry(list, QString::number(i));
        QCOMPARE(list.RowCount(), 200);
        QCOMPARE(list.Text(1, 1), QStringLiteral("2"));
        QCOMPARE(list.Text(200, 1), QStringLiteral("201"));
        QVERIFY(list.viewport()->rect().contains(list.visualItemRect(list.topLevelItem(199))));
        QVERIFY(!list.viewport()->rect().intersects(list.visualItemRect(list.topLevelItem(0))));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
