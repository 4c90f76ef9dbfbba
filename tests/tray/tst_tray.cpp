#include "core/account.h"
#include "core/shell.h"
#include "testenvironment.h"
#include "tray/qttrayplatform.h"
#include "tray/recordingtrayplatform.h"
#include "tray/tray.h"

#include <QImage>
#include <QtTest>
#include <memory>
#include <stdexcept>

// A tray over the recording platform whose main-window actions write into a log.
struct TrayUnderTest {
    QStringList log;
    RecordingTrayPlatform* platform = nullptr;
    std::unique_ptr<Tray> tray;

    explicit TrayUnderTest(bool withEMailAction = true) {
        auto p = std::make_unique<RecordingTrayPlatform>();
        platform = p.get();
        TrayActions actions;
        actions.ShowMainWindow = [this] { log << QStringLiteral("show"); };
        actions.BringMainWindowToFront = [this] { log << QStringLiteral("front"); };
        actions.PopUpMenu = [this](const QPoint& at) { log << QStringLiteral("menu %1,%2").arg(at.x()).arg(at.y()); };
        if (withEMailAction)
            actions.StartEMailProgram = [this] { log << QStringLiteral("mail"); };
        tray = std::make_unique<Tray>(std::move(actions), std::move(p));
    }
};

enum class Source { Icon, Balloon };
Q_DECLARE_METATYPE(Source)
Q_DECLARE_METATYPE(BalloonRoute)

class TestTray : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;

private slots:
    void init() { env_ = std::make_unique<TestEnvironment>(); }
    void cleanup() { env_.reset(); }

    void addShowsIconWithTipAndListens() {
        TrayUnderTest t;
        QVERIFY(!t.tray->IsTrayWindowProcInstalled());
        t.tray->AddTrayIcon();
        QVERIFY(t.platform->iconVisible);
        QCOMPARE(t.platform->tip, QStringLiteral("Postfalke"));
        QVERIFY(!t.platform->icon.isNull());
        QVERIFY(t.tray->IsIconAdded());
        QVERIFY(t.tray->IsTrayWindowProcInstalled());

        t.tray->RemoveTrayIcon();
        QVERIFY(!t.platform->iconVisible);
        QVERIFY(!t.tray->IsIconAdded());
    }

    void eventDecoding_data() {
        QTest::addColumn<Source>("source");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QStringList>("expected");
        const QStringList nothing;
        QTest::newRow("left button released (Trigger): main window") << Source::Icon << int(QSystemTrayIcon::Trigger)
                                                                      << QStringList{"show"};
        QTest::newRow("right button released (Context): front, then menu at the mouse")
            << Source::Icon << int(QSystemTrayIcon::Context) << QStringList{"front", "menu 640,470"};
        QTest::newRow("double click: nothing") << Source::Icon << int(QSystemTrayIcon::DoubleClick) << nothing;
        QTest::newRow("middle click: nothing") << Source::Icon << int(QSystemTrayIcon::MiddleClick) << nothing;
        QTest::newRow("unknown event: nothing") << Source::Icon << int(QSystemTrayIcon::Unknown) << nothing;
        QTest::newRow("balloon clicked: e-mail program") << Source::Balloon << 0 << QStringList{"mail"};
    }

    void eventDecoding() {
        QFETCH(Source, source);
        QFETCH(int, reason);
        QFETCH(QStringList, expected);
        TrayUnderTest t;
        t.platform->cursorPosition = QPoint(640, 470);
        t.tray->AddTrayIcon();
        if (source == Source::Icon)
            t.platform->Activate(QSystemTrayIcon::ActivationReason(reason));
        else
            t.platform->ClickMessage();
        QCOMPARE(t.log, expected);
    }

    void balloonClickStartsConfiguredProgramThroughShell() {
        QStringList opened;
        SetShellOpenHandler([&](const QString& path) { opened << path; });
        Settings.EMailProgramm = QStringLiteral("/usr/bin/thunderbird");
        TrayUnderTest t(/*withEMailAction=*/false);
        t.tray->AddTrayIcon();
        t.tray->ShowBalloon(1, QStringLiteral("Postfalke Test"), QStringLiteral("x"));
        t.platform->ClickMessage();
        QCOMPARE(opened, QStringList{"/usr/bin/thunderbird"});
    }

    void menuOpensWhereTheMouseWasBeforeTheWindowCameForward() {
        auto p = std::make_unique<RecordingTrayPlatform>();
        RecordingTrayPlatform* platform = p.get();
        platform->cursorPosition = QPoint(5, 6);
        QStringList log;
        TrayActions actions;
        // Bringing the main window forward changes what the platform reports (a window manager may
        // warp the pointer); the menu belongs where the user clicked.
        actions.BringMainWindowToFront = [&] { platform->cursorPosition = QPoint(100, 100); };
        actions.PopUpMenu = [&](const QPoint& at) { log << QStringLiteral("%1,%2").arg(at.x()).arg(at.y()); };
        Tray tray(std::move(actions), std::move(p));
        tray.AddTrayIcon();
        platform->Activate(QSystemTrayIcon::Context);
        QCOMPARE(log, QStringList{"5,6"});
    }

    void failingStepDoesNotStopTheNext() {
        QStringList log;
        TrayActions actions;
        actions.BringMainWindowToFront = [] { throw std::runtime_error("no window"); };
        actions.PopUpMenu = [&](const QPoint&) { log << QStringLiteral("menu"); };
        auto p = std::make_unique<RecordingTrayPlatform>();
        RecordingTrayPlatform* platform = p.get();
        Tray tray(std::move(actions), std::move(p));
        tray.AddTrayIcon();
        platform->Activate(QSystemTrayIcon::Context);
        QCOMPARE(log, QStringList{"menu"});
    }

    void windowProcInstalledOnceAndRemovable() {
        TrayUnderTest t;
        t.tray->AddTrayIcon();
        t.tray->InstallTrayWindowProc();  // a second installation must not double the actions
        t.platform->Activate(QSystemTrayIcon::Trigger);
        QCOMPARE(t.log, QStringList{"show"});

        t.tray->RemoveTrayIcon();
        t.tray->RemoveTrayWindowProc();
        QVERIFY(!t.tray->IsTrayWindowProcInstalled());
        t.platform->Activate(QSystemTrayIcon::Trigger);
        t.platform->ClickMessage();
        QCOMPARE(t.log, QStringList{"show"});

        t.tray->RemoveTrayWindowProc();  // a second removal does nothing
        QVERIFY(!t.tray->IsTrayWindowProcInstalled());
    }

    void balloonCutting_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expectedTitle");
        QTest::addColumn<QString>("expectedText");
        const QString t63(63, QLatin1Char('T'));
        const QString x255(255, QLatin1Char('x'));
        QTest::newRow("short texts stay") << QStringLiteral("E-Mails eingetroffen") << QStringLiteral("\r\na\tb\t 3\r\n")
                                          << QStringLiteral("E-Mails eingetroffen") << QStringLiteral("\r\na\tb\t 3\r\n");
        QTest::newRow("exactly at the limits") << t63 << x255 << t63 << x255;
        QTest::newRow("one over the limits") << t63 + "U" << x255 + "y" << t63 << x255;
        QTest::newRow("far over the limits") << QString(200, 'T') << QString(1000, 'x') << t63 << x255;
        // An emoji is two UTF-16 units; the cut must not leave half of one.
        QTest::newRow("no half character at the cut")
            << QString(62, 'T') + QString::fromUtf8("\xF0\x9F\x93\xA7") << QString(254, 'x') + QString::fromUtf8("\xF0\x9F\x93\xA7")
            << QString(62, 'T') << QString(254, 'x');
        QTest::newRow("umlauts count as one") << QString(63, QChar(0xE4)) << QString(255, QChar(0xDF)) << QString(63, QChar(0xE4))
                                              << QString(255, QChar(0xDF));
    }

    void balloonCutting() {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, expectedTitle);
        QFETCH(QString, expectedText);
        TrayUnderTest t;
        t.tray->AddTrayIcon();
        t.tray->ShowBalloon(1, title, text);
        QCOMPARE(t.platform->messages.size(), 1);
        QCOMPARE(t.platform->messages[0].title, expectedTitle);
        QCOMPARE(t.platform->messages[0].text, expectedText);
        QCOMPARE(t.platform->messages[0].iconFlag, 1);
    }

    void noBalloonWhereTheDesktopCannotShowOne() {
        TrayUnderTest t;
        t.platform->canShowMessages = false;
        t.tray->AddTrayIcon();
        t.tray->ShowBalloon(1, QStringLiteral("E-Mails eingetroffen"), QStringLiteral("text"));
        QVERIFY(t.platform->messages.isEmpty());
    }

    void iconFromTheProgramFolderOrDrawn() {
        QVERIFY(!Tray::ProgramIcon().isNull());  // no file: the drawn stand-in
        QDir().mkpath(env_->path(QStringLiteral("images")));
        QImage image(48, 48, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(env_->path(QStringLiteral("images/postfalke.png"))));
        const QIcon icon = Tray::ProgramIcon();
        QVERIFY(icon.availableSizes().contains(QSize(48, 48)));
    }

    void balloonRoute_data() {
        QTest::addColumn<bool>("trayShowsMessages");
        QTest::addColumn<bool>("statusNotifierHost");
        QTest::addColumn<bool>("notificationService");
        QTest::addColumn<BalloonRoute>("expected");
        QTest::newRow("XEmbed tray: Qt's own clickable balloon") << true << false << true << BalloonRoute::TrayIcon;
        QTest::newRow("XEmbed tray, no notification service") << true << false << false << BalloonRoute::TrayIcon;
        QTest::newRow("StatusNotifierItem host: notification with click action")
            << true << true << true << BalloonRoute::DesktopNotification;
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

    void realTrayWithoutDesktopFailsNothing() {
        // The offscreen platform has no tray: the layer works on, the main window learns it.
        int shown = 0;
        TrayActions actions;
        actions.ShowMainWindow = [&] { ++shown; };
        Tray tray(std::move(actions));
        QVERIFY(!tray.TrayAvailable());  // the main window then shows itself
        tray.AddTrayIcon();
        tray.ShowBalloon(1, QStringLiteral("E-Mails eingetroffen"), QStringLiteral("\r\nText\r\n"));
        tray.Platform().Activated(QSystemTrayIcon::Trigger);
        QCOMPARE(shown, 1);
        tray.RemoveTrayIcon();
        tray.RemoveTrayWindowProc();
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
