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
        // -1: a click on the balloon; -2: a press on the icon while a balloon shows (a balloon click,
        // then the icon's event); -3: the same after the window procedure was removed
        QTest::addColumn<int>("reason");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("left button released: main window") << int(QSystemTrayIcon::Trigger) << QStringList{"show"};
        QTest::newRow("right button released: front, then menu where the mouse was")
            << int(QSystemTrayIcon::Context) << QStringList{"front", "menu 640,470"};
        QTest::newRow("balloon clicked: e-mail program") << -1 << QStringList{"open /usr/bin/thunderbird"};
        QTest::newRow("icon pressed while a balloon shows: main window only") << -2 << QStringList{"show"};
        QTest::newRow("double click: nothing") << int(QSystemTrayIcon::DoubleClick) << QStringList();
        QTest::newRow("window procedure removed: nothing") << -3 << QStringList();
    }
    void events() {
        QFETCH(int, reason);
        QFETCH(QStringList, expected);
        tray_->InstallTrayWindowProc();  // a second installation must not double the actions
        if (reason == -3)
            tray_->RemoveTrayWindowProc();
        if (reason < 0)
            platform_->ClickMessage();
        if (reason <= -2)
            platform_->Activate(QSystemTrayIcon::Trigger);
        else if (reason >= 0)
            platform_->Activate(QSystemTrayIcon::ActivationReason(reason));
        QTest::qWait(0);  // a balloon click is taken once the event that reported it is over
        QCOMPARE(log_, expected);
    }

    // Title and text cut to 63 and 255 characters, never inside a character; nothing where the
    // desktop cannot show balloons.
    void balloons() {
        const QString t63(63, QLatin1Char('T'));
        const QString x255(255, QLatin1Char('x'));
        const QString mail = QString::fromUtf8("\xF0\x9F\x93\xA7");  // two UTF-16 units
        const auto shown = [this](const QString& title, const QString& text) {
            platform_->messages.clear();
            tray_->ShowBalloon(BalloonIcon::Information, title, text);
            QStringList messages;
            for (const RecordingTrayPlatform::Message& m : platform_->messages)
                messages << m.title << m.text;
            return messages;
        };
        QCOMPARE(shown(t63 + "U", x255 + "y"), (QStringList{t63, x255}));
        QCOMPARE(shown(t63.left(62) + mail, x255.left(254) + mail), (QStringList{t63.left(62), x255.left(254)}));
        platform_->canShowMessages = false;
        QCOMPARE(shown(QStringLiteral("E-Mails eingetroffen"), QStringLiteral("text")), QStringList());
    }

    // Qt's own balloon is clickable on an XEmbed tray; on a StatusNotifierItem host, or without a
    // tray, the desktop's notification service is, where there is one.
    void balloonRoute() {
        QCOMPARE(ChooseBalloonRoute(true, false, true), BalloonRoute::TrayIcon);
        QCOMPARE(ChooseBalloonRoute(true, true, true), BalloonRoute::DesktopNotification);
        QCOMPARE(ChooseBalloonRoute(true, true, false), BalloonRoute::TrayIcon);
        QCOMPARE(ChooseBalloonRoute(false, false, true), BalloonRoute::DesktopNotification);
        QCOMPARE(ChooseBalloonRoute(false, false, false), BalloonRoute::None);
    }

    // Shown, the notification window is on top and centred on the screen. Every way out closes and
    // destroys it; the next use creates it anew, empty.
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
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY((w->frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center()).manhattanLength() <= 2);
        if (how == QLatin1String("Esc"))
            QTest::keyClick(w, Qt::Key_Escape);
        else
            QTest::mouseClick(how == QLatin1String("Command1") ? w->Command1 : w->Command2, Qt::LeftButton);
        QCOMPARE(log_, expected);
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        QTRY_VERIFY(w.isNull());  // destroyed, not only hidden
        QCOMPARE(formBenachrichtigung::Instance()->ListView1->RowCount(), 0);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
