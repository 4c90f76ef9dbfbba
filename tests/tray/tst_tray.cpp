#include "core/account.h"
#include "core/listview.h"
#include "core/shell.h"
#include "uitestenvironment.h"
#include "tray/formbenachrichtigung.h"
#include "tray/qttrayplatform.h"
#include "recordingtrayplatform.h"
#include "tray/tray.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <memory>
#include <stdexcept>

Q_DECLARE_METATYPE(BalloonRoute)

// The tray over the recording platform, with the main window's actions as the program has them
// (the e-mail program left to the shell), each writing into a log; and the notification window.
class TestTray : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env_;
    QStringList log_;
    RecordingTrayPlatform* platform_ = nullptr;
    std::unique_ptr<Tray> tray_;

private slots:
    void init() {
        env_ = std::make_unique<UiTestEnvironment>();
        log_.clear();
        Settings.EMailProgramm = QStringLiteral("/usr/bin/thunderbird");
        SetShellOpenHandler([this](const QString& path) { log_ << "open " + path; });
        auto platform = std::make_unique<RecordingTrayPlatform>();
        platform_ = platform.get();
        platform_->cursorPosition = QPoint(640, 470);
        TrayActions actions;
        actions.ShowMainWindow = [this] { log_ << QStringLiteral("show"); };
        // A window manager may warp the pointer while the window comes forward; and a failing step
        // must not keep the menu away.
        actions.BringMainWindowToFront = [this] {
            log_ << QStringLiteral("front");
            platform_->cursorPosition = QPoint(1, 1);
            throw std::runtime_error("no window");
        };
        actions.PopUpMenu = [this](const QPoint& at) { log_ << QStringLiteral("menu %1,%2").arg(at.x()).arg(at.y()); };
        tray_ = std::make_unique<Tray>(std::move(actions), std::move(platform));
        tray_->AddTrayIcon();
    }
    void cleanup() {
        tray_.reset();
        QPointer<formBenachrichtigung> w = formBenachrichtigung::Existing();
        formBenachrichtigung::CloseIfOpen();
        QTRY_VERIFY(w.isNull());
        env_.reset();
    }

    void iconWithTip() {
        QVERIFY(platform_->iconVisible && !platform_->icon.isNull());
        QCOMPARE(platform_->tip, QStringLiteral("Postfalke"));
        tray_->RemoveTrayIcon();
        QVERIFY(!platform_->iconVisible);
    }

    // The tip names the last check's outcome; a failed account puts a warning mark on the icon, and
    // an icon added later shows the state too.
    void iconShowsTheLastCheck() {
        const QImage plain = Tray::ProgramIcon().pixmap(32, 32).toImage();
        tray_->ShowCheckState(QStringLiteral("Postfalke – letzte Abfrage 22:03"), true);
        QCOMPARE(platform_->tip, QStringLiteral("Postfalke – letzte Abfrage 22:03"));
        QVERIFY(platform_->icon.pixmap(32, 32).toImage() != plain);
        tray_->RemoveTrayIcon();
        tray_->AddTrayIcon();
        QVERIFY(platform_->icon.pixmap(32, 32).toImage() != plain);
        tray_->ShowCheckState(QStringLiteral("ok"), false);
        QCOMPARE(platform_->icon.pixmap(32, 32).toImage(), plain);
    }

    void events_data() {
        QTest::addColumn<int>("reason");  // -1: a click on the balloon; -2: a press on the icon while
                                          // a balloon shows (a balloon click, then the icon's event)
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("left button released: main window") << int(QSystemTrayIcon::Trigger) << QStringList{"show"};
        QTest::newRow("right button released: front, then menu where the mouse was")
            << int(QSystemTrayIcon::Context) << QStringList{"front", "menu 640,470"};
        QTest::newRow("balloon clicked: e-mail program") << -1 << QStringList{"open /usr/bin/thunderbird"};
        QTest::newRow("icon pressed while a balloon shows: main window only") << -2 << QStringList{"show"};
        QTest::newRow("double click: nothing") << int(QSystemTrayIcon::DoubleClick) << QStringList();
        QTest::newRow("middle click: nothing") << int(QSystemTrayIcon::MiddleClick) << QStringList();
        QTest::newRow("unknown event: nothing") << int(QSystemTrayIcon::Unknown) << QStringList();
    }
    void events() {
        QFETCH(int, reason);
        QFETCH(QStringList, expected);
        tray_->InstallTrayWindowProc();  // a second installation must not double the actions
        if (reason < 0)
            platform_->ClickMessage();
        if (reason == -2)
            platform_->Activate(QSystemTrayIcon::Trigger);
        else if (reason >= 0)
            platform_->Activate(QSystemTrayIcon::ActivationReason(reason));
        QTest::qWait(0);  // a balloon click is taken once the event that reported it is over
        QCOMPARE(log_, expected);
    }

    void windowProcRemovedAndInstalledAgain() {
        tray_->RemoveTrayWindowProc();
        tray_->RemoveTrayWindowProc();  // a second removal does nothing
        platform_->Activate(QSystemTrayIcon::Trigger);
        platform_->ClickMessage();
        tray_->InstallTrayWindowProc();
        platform_->Activate(QSystemTrayIcon::Trigger);
        QTest::qWait(0);
        QCOMPARE(log_, QStringList{"show"});
    }

    // Title and text cut to 63 and 255 characters; nothing where the desktop cannot show balloons.
    void balloons_data() {
        QTest::addColumn<bool>("canShow");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        const QString t63(63, QLatin1Char('T'));
        const QString x255(255, QLatin1Char('x'));
        const QString mail = QString::fromUtf8("\xF0\x9F\x93\xA7");  // two UTF-16 units
        QTest::newRow("exactly at the limits") << true << t63 << x255 << QStringList{t63, x255};
        QTest::newRow("one over the limits") << true << t63 + "U" << x255 + "y" << QStringList{t63, x255};
        QTest::newRow("no half character at the cut")
            << true << t63.left(62) + mail << x255.left(254) + mail << QStringList{t63.left(62), x255.left(254)};
        QTest::newRow("desktop cannot show balloons") << false << "E-Mails eingetroffen" << "text" << QStringList();
    }
    void balloons() {
        QFETCH(bool, canShow);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        platform_->canShowMessages = canShow;
        tray_->ShowBalloon(1, title, text);
        QStringList messages;
        for (const RecordingTrayPlatform::Message& m : platform_->messages)
            messages << m.title << m.text;
        QCOMPARE(messages, shown);
    }

    void balloonRoute_data() {
        QTest::addColumn<bool>("trayShowsMessages");
        QTest::addColumn<bool>("statusNotifierHost");
        QTest::addColumn<bool>("notificationService");
        QTest::addColumn<BalloonRoute>("expected");
        QTest::newRow("XEmbed tray: Qt's own clickable balloon") << true << false << true << BalloonRoute::TrayIcon;
        QTest::newRow("StatusNotifierItem host: notification, clickable") << true << true << true << BalloonRoute::DesktopNotification;
        QTest::newRow("StatusNotifierItem host without a service: tray, lost silently")
            << true << true << false << BalloonRoute::TrayIcon;
        QTest::newRow("no tray, notification service") << false << false << true << BalloonRoute::DesktopNotification;
        QTest::newRow("nothing at all") << false << false << false << BalloonRoute::None;
    }
    void balloonRoute() {
        QFETCH(bool, trayShowsMessages);
        QFETCH(bool, statusNotifierHost);
        QFETCH(bool, notificationService);
        QFETCH(BalloonRoute, expected);
        QCOMPARE(ChooseBalloonRoute(trayShowsMessages, statusNotifierHost, notificationService), expected);
    }

    // The offscreen platform has no tray: the main window learns it; the layer works on all the same.
    void realTrayWithoutDesktopFailsNothing() {
        Tray tray(TrayActions{[this] { log_ << QStringLiteral("show"); }, {}, {}});
        QVERIFY(!tray.TrayAvailable());
        tray.AddTrayIcon();
        tray.ShowBalloon(1, QStringLiteral("E-Mails eingetroffen"), QStringLiteral("\r\nText\r\n"));
        tray.Platform().Activated(QSystemTrayIcon::Trigger);
        QCOMPARE(log_, QStringList{"show"});
    }

    // Every way out closes and destroys the notification window; the next use creates it anew, empty.
    void notificationWindowClosing_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("E-Mail Programm starten: starts, then closes") << "Command1" << QStringList{"open /usr/bin/thunderbird"};
        QTest::newRow("Fenster schließen: closes only") << "Command2" << QStringList{};
        QTest::newRow("Esc: closes only") << "Esc" << QStringList{};
    }
    void notificationWindowClosing() {
        QFETCH(QString, how);
        QFETCH(QStringList, expected);
        QPointer<formBenachrichtigung> w = formBenachrichtigung::Instance();
        w->ListView1->AddRow(QStringLiteral("12:00:00"));
        w->PlaceAndShow(true);
        QVERIFY(QTest::qWaitForWindowActive(w));
        if (how == QLatin1String("Esc"))
            QTest::keyClick(w, Qt::Key_Escape);
        else
            QTest::mouseClick(how == QLatin1String("Command1") ? w->Command1 : w->Command2, Qt::LeftButton);
        QCOMPARE(log_, expected);
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        QTRY_VERIFY(w.isNull());  // destroyed, not only hidden
        QCOMPARE(formBenachrichtigung::Instance()->ListView1->RowCount(), 0);
        QCOMPARE(formBenachrichtigung::Instance()->ListView1->ColumnCount(), 4);
    }

    // Always on top and centred on the screen; the attribute follows the setting at every showing.
    void notificationWindowShown() {
        formBenachrichtigung* w = formBenachrichtigung::Instance();
        for (const bool takeFocus : {false, true, false}) {
            w->PlaceAndShow(takeFocus);
            QVERIFY(w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QCOMPARE(w->testAttribute(Qt::WA_ShowWithoutActivating), !takeFocus);
            QVERIFY((w->frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center()).manhattanLength() <= 2);
        }
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
