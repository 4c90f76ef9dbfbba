#include "app/program.h"
#include "check/checkcycle.h"
#include "core/errorlog.h"
#include "desktop/desktopevents.h"

#include "testenvironment.h"

#include <QRegularExpression>
#include <QtTest>

// A desktop without a system bus (no logind, no NetworkManager): nothing is watched, and neither
// the program nor Qt says anything about it.
class TestNoSystemBus : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir_.filePath(QStringLiteral("none")).toUtf8()); }

    void watchesNothingAndSaysNothing() {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        TestEnvironment env;
        QStringList errorBoxes;
        SetErrorBoxHandler([&](const QString& text) { errorBoxes << text; });
        CheckCycle cycle;
        DesktopEvents events;
        Program::WatchDesktop(events, cycle, 10);
        events.Start();
        QVERIFY(!events.WatchingSleep());
        QVERIFY(!events.WatchingNetwork());
        QCOMPARE(errorBoxes, QStringList());
        QVERIFY(env.read(QStringLiteral("error.log")).isEmpty());
    }
};

QTEST_MAIN(TestNoSystemBus)
#include "tst_nosystembus.moc"
