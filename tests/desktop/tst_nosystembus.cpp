#include "app/program.h"
#include "check/checkcycle.h"
#include "core/account.h"
#include "core/errorlog.h"
#include "desktop/desktopevents.h"

#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QRegularExpression>
#include <QtTest>

// A desktop without a system bus (no logind, no NetworkManager): the program checks as always and
// says nothing about it.
class TestNoSystemBus : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir_.filePath(QStringLiteral("none")).toUtf8()); }

    void checksAsBefore() {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        TestEnvironment env;
        QStringList errorBoxes;
        SetErrorBoxHandler([&](const QString& text) { errorBoxes << text; });
        ScriptedImapServer server;
        server.setRecent(2);
        Accounts.append(TestAccount(QStringLiteral("maria"), server.port(), QStringLiteral("geheim")));
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 2000});
        int alerts = 0;
        cycle.SetAlertDispatcher([&] { ++alerts; });

        DesktopEvents events;
        Program::WatchDesktop(events, cycle, 10);
        events.Start();
        QVERIFY(!events.WatchingSleep());
        QVERIFY(!events.WatchingNetwork());
        cycle.CheckNow();
        QTRY_COMPARE(alerts, 1);
        QCOMPARE(Accounts[1].NewMailCount, qint16(2));
        QCOMPARE(errorBoxes, QStringList());
        QVERIFY(env.read(QStringLiteral("error.log")).isEmpty());
    }
};

QTEST_MAIN(TestNoSystemBus)
#include "tst_nosystembus.moc"
