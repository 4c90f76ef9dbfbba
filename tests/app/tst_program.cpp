// The whole program, headless: the main window loaded the way the splash loads it, with a recording
// tray, against a private Dovecot and ports where nothing listens.
#include "modaldriver.h"
#include "check/checkcycle.h"
#include "core/errorlog.h"
#include "app/formmain.h"
#include "core/forms.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "app/program.h"
#include "dialogs/formwillkommen.h"
#include "dialogs/formzertifikat.h"
#include "core/shell.h"
#include "core/sound.h"
#include "dovecotserver.h"
#include "localport.h"
#include "splash/formsplash.h"
#include "uitestenvironment.h"
#include "tray/formbenachrichtigung.h"
#include "recordingtrayplatform.h"
#include "tray/tray.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

namespace {
const QString kClosing = QStringLiteral("Klicken Sie hier um das E-Mail Programm zu starten.");

QStringList Column(const ListView& list, int column) {
    QStringList texts;
    for (int row = 1; row <= list.RowCount(); ++row)
        texts << list.Text(row, column);
    return texts;
}
}  // namespace

class TestProgram : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env;
    RecordingTrayPlatform* tray = nullptr;
    QStringList sounds;
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

private slots:
    void initTestCase() {
        // A small font, so that the main window fits the test's screen of 800 x 800 pixels.
        QFont small = QApplication::font();
        small.setPointSize(6);
        QApplication::setFont(small);
    }
    void init() {
        env = std::make_unique<UiTestEnvironment>();
        sounds.clear();
        shellOpens.clear();
        errorBoxes.clear();
        Sound::SetRecorderForTesting([this](const QString& r) { sounds << r; });
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
        QVERIFY2(dovecot.start({{QStringLiteral("maria"), QStringLiteral("geheim"), 3}}), qPrintable(dovecot.errorString()));
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
        QCOMPARE(Column(*main->ListView1, 1), QStringList{QStringLiteral("maria@example.org")});
        QCOMPARE(Column(*main->ListView1, 2), QStringList{QStringLiteral("INBOX")});
        QCOMPARE(Column(*main->ListView1, 3), QStringList{QStringLiteral("3")});

        formBenachrichtigung* window = formBenachrichtigung::Existing();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(window->ListView1->Text(1, 3), QStringLiteral("3"));
        QVERIFY(window->ListView1->IsBold(1, 0) && window->ListView1->IsBold(1, 3));

        QCOMPARE(tray->messages.size(), 1);
        QCOMPARE(tray->messages[0].title, QStringLiteral("E-Mails eingetroffen"));
        QCOMPARE(tray->messages[0].text, "\r\nmaria@example.org\tINBOX\t 3\r\n\r\n" + kClosing);
        QCOMPARE(tray->messages[0].icon, BalloonIcon::Information);
        // Sound 2 with a missing wave file: silence, not even a beep.
        QVERIFY2(sounds.isEmpty(), qPrintable(sounds.join(',')));

        // The same recent mail alerts again at the next check, here a manual one from the menu.
        main->mnuAbfrage->trigger();
        QVERIFY(main->Cycle().CycleRunning());
        QTRY_COMPARE(main->ListView1->RowCount(), 2);
        QCOMPARE(tray->messages.size(), 2);
    }

    void mixedResultsAlertWithFailuresAndQuietAccounts() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{QStringLiteral("anna"), QStringLiteral("eins"), 3}, {QStringLiteral("bert"), QStringLiteral("zwei"), 0}}),
                 qPrintable(dovecot.errorString()));
        Store({TestAccount(QStringLiteral("anna"), dovecot.port(), QStringLiteral("eins")),
               TestAccount(QStringLiteral("bert"), dovecot.port(), QStringLiteral("zwei")),
               TestAccount(QStringLiteral("carl"), FreeLocalPort(), QStringLiteral("drei"))});
        Settings.Sound = SoundChoice::Beep;
        SaveSettings();
        formMain* main = Load();
        QTRY_VERIFY_WITH_TIMEOUT(!main->Cycle().CycleRunning(), 10000);

        QCOMPARE(Column(*main->ListView1, 1), QStringList({"anna@example.org", "carl@example.org"}));
        QCOMPARE(Column(*main->ListView1, 3), QStringList({"3", "error"}));
        formBenachrichtigung* window = formBenachrichtigung::Existing();
        QVERIFY(window && window->isVisible());
        QCOMPARE(Column(*window->ListView1, 3), QStringList({"Fehler", "3", "0"}));
        QCOMPARE(Column(*window->ListView1, 1), QStringList({"carl@example.org", "anna@example.org", "bert@example.org"}));
        QVERIFY(!window->ListView1->IsBold(1, 1));
        QVERIFY(window->ListView1->IsBold(2, 1));
        QVERIFY(!window->ListView1->IsBold(3, 1));
        QCOMPARE(tray->messages.size(), 1);
        QCOMPARE(tray->messages[0].text,
                 "\r\nanna@example.org\tINBOX\t 3\r\ncarl@example.org\tINBOX\t (Fehler)\r\n\r\n" + kClosing);
        QCOMPARE(sounds, QStringList{QStringLiteral("beep")});
    }

    void noRecentMailGivesNothingEvenWithFailures() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{QStringLiteral("bert"), QStringLiteral("zwei"), 0}}), qPrintable(dovecot.errorString()));
        Store({TestAccount(QStringLiteral("bert"), dovecot.port(), QStringLiteral("zwei")),
               TestAccount(QStringLiteral("carl"), FreeLocalPort(), QStringLiteral("drei"))});
        Settings.Sound = SoundChoice::Beep;
        SaveSettings();
        formMain* main = Load();
        QTRY_VERIFY_WITH_TIMEOUT(!main->Cycle().CycleRunning(), 10000);
        QVERIFY(main->ListView2->RowCount() > 0);
        QCOMPARE(main->ListView1->RowCount(), 0);
        QVERIFY(!formBenachrichtigung::Existing());
        QVERIFY(tray->messages.isEmpty());
        QVERIFY(sounds.isEmpty());
        // The tip tells all the same, and the icon carries its warning mark.
        const QStringList tip = tray->tip.split('\n');
        QCOMPARE(tip.size(), 3);
        QVERIFY(tip[0].startsWith(QStringLiteral("Postfalke – letzte Abfrage ")));
        QCOMPARE(tip[1], QStringLiteral("bert@example.org: keine neuen"));
        QVERIFY(tip[2].startsWith(QStringLiteral("carl@example.org: Fehler")));
        QCOMPARE(tray->icon.pixmap(32, 32).toImage(), Tray::WarningIcon().pixmap(32, 32).toImage());
    }

    // A refused certificate is offered after the cycle, once in a run however often it is met.
    void refusedCertificateIsOfferedOncePerRun() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{QStringLiteral("maria"), QStringLiteral("geheim"), 1}}), qPrintable(dovecot.errorString()));
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

    void emptyStoreWelcomesAndChecksNothing() {
        formMain* main = Load();
        QVERIFY(formWillkommen::Instance() && formWillkommen::Instance()->isVisible());
        QVERIFY(tray->iconVisible);
        QVERIFY(!main->Cycle().CycleRunning());
        QCOMPARE(main->ListView2->RowCount(), 0);
        QVERIFY(main->Cycle().Timer1()->isActive());
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
        QVERIFY(tray->iconVisible);
        QVERIFY(main->Label1->text().startsWith(QStringLiteral("Postfalke v")));
        QCOMPARE(main->ListView1->ColumnCount(), 4);
        QCOMPARE(main->ListView2->ColumnCount(), 2);
        QVERIFY(main->Cycle().Timer1()->isActive());
        QCOMPARE(main->Cycle().Timer1()->interval(), 60000);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(main->frameGeometry().bottomRight(), screen.bottomRight());
        // The tray menu still reaches the program and ends it.
        QSignalSpy unloaded(main, &formMain::Unloaded);
        main->mnuBeenden->trigger();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!tray->iconVisible);
    }

    // Without a tray the main window shows and offers the tray menu on its button "Menü" and as its
    // context menu; with a tray the button stays hidden.
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
        main->Quit();
        QVERIFY(!Load()->Command8->isVisibleTo(formMain::Instance()));
    }

    // Shown, the main window's whole frame lies in the screen's work area, in its bottom right corner.
    void mainWindowShowsWholeInTheCorner() {
        formMain* main = Load();
        tray->Activate(QSystemTrayIcon::Trigger);
        QVERIFY(QTest::qWaitForWindowExposed(main));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(main->frameGeometry().size() != main->size());
        QTRY_COMPARE(main->frameGeometry().bottomRight(), area.bottomRight());
    }

    // The close box hides the window and the checks go on; without a tray it asks as "Beenden" does.
    void closeBoxHidesOrAsks() {
        formMain* main = Load();
        QSignalSpy unloaded(main, &formMain::Unloaded);
        main->ShowMainWindow();
        QVERIFY(main->close() == false || !main->isVisible());
        QVERIFY(!main->isVisible());
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(main->Cycle().Timer1()->isActive());
        main->Quit();

        main = Load(/*trayAvailable=*/false);
        QSignalSpy unloadedWithoutTray(main, &formMain::Unloaded);
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            BoxSeen box;
            AnswerNextBox(this, &box, answer);
            main->close();
            QCOMPARE(box.text, formMain::QuitQuestion());
            QCOMPARE(unloadedWithoutTray.count(), answer == QMessageBox::Yes ? 1 : 0);
            QCOMPARE(main->isVisible(), answer == QMessageBox::No);
        }
    }

    void quitAsksFirstFromTheButtonButNotFromTheMenu() {
        formMain* main = Load();
        QSignalSpy unloaded(main, &formMain::Unloaded);
        BoxSeen box;
        AnswerNextBox(this, &box, QMessageBox::No);
        main->Command3->click();
        QVERIFY(box.shown);
        QCOMPARE(box.title, QStringLiteral("Postfalke"));
        QCOMPARE(box.text, QStringLiteral("\r\nWollen Sie Postfalke wirklich beenden?\r\n"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(tray->iconVisible);

        AnswerNextBox(this, &box, QMessageBox::Yes);
        main->Command3->click();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!tray->iconVisible);
        QVERIFY(!main->TrayIcon().IsTrayWindowProcInstalled());
        QVERIFY(!main->Cycle().Timer1()->isActive());
        QVERIFY(!formMain::Instance());
    }

    void shutdownClosesTheNotificationWindow() {
        formMain* main = Load();
        formBenachrichtigung::Instance()->PlaceAndShow(false);
        main->mnuBeenden->trigger();
        QVERIFY(!formBenachrichtigung::Existing());
    }

    void trayAndButtonsReachTheirActions() {
        formMain* main = Load();
        tray->Activate(QSystemTrayIcon::Trigger);
        QVERIFY(main->isVisible());
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
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
