#include "core/singleinstance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

class TestSingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int round_ = 0;
    QString name_;

private slots:
    void init() {
        // A socket of the test's own in a private folder, never the program's real one.
        name_ = dir_.filePath(QStringLiteral("postfalke-test-%1.socket").arg(++round_));
    }

    void firstStartListensSecondAsksItAndEnds() {
        SingleInstance first(name_);
        QSignalSpy shown(&first, &SingleInstance::ShowRequested);
        QVERIFY(!first.AlreadyRunning());
        QVERIFY(first.IsListening());

        SingleInstance second(name_);
        QVERIFY(second.AlreadyRunning());
        QVERIFY(!second.IsListening());
        QTRY_COMPARE(shown.count(), 1);

        SingleInstance third(name_);
        QVERIFY(third.AlreadyRunning());
        QTRY_COMPARE(shown.count(), 2);
    }

    void nameFreeAgainAfterTheFirstEnds() {
        {
            SingleInstance first(name_);
            QVERIFY(!first.AlreadyRunning());
        }
        SingleInstance next(name_);
        QVERIFY(!next.AlreadyRunning());
        QVERIFY(next.IsListening());
    }

    void leftoverFromACrashIsTakenOver() {
        // A run that was killed leaves its socket file behind; nobody answers on it.
        QFile stale(name_);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        SingleInstance start(name_);
        QVERIFY(!start.AlreadyRunning());
        QVERIFY(start.IsListening());

        SingleInstance second(name_);
        QSignalSpy shown(&start, &SingleInstance::ShowRequested);
        QVERIFY(second.AlreadyRunning());
        QTRY_COMPARE(shown.count(), 1);
    }

    void strangerOnTheSocketDoesNotShowTheWindow() {
        SingleInstance first(name_);
        QSignalSpy shown(&first, &SingleInstance::ShowRequested);
        QVERIFY(!first.AlreadyRunning());
        QLocalSocket socket;
        socket.connectToServer(name_);
        QVERIFY(socket.waitForConnected(1000));
        socket.write("hallo\n");
        socket.flush();
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);  // the first start hangs up
        QCOMPARE(shown.count(), 0);
    }

    void defaultNameIsPerUser() {
        const QString name = SingleInstance::DefaultServerName();
        QVERIFY(!name.isEmpty());
        QVERIFY(name.contains(QStringLiteral("postfalke")));
        QCOMPARE(SingleInstance::DefaultServerName(), name);
#ifdef Q_OS_UNIX
        // In the user's own runtime folder, or carrying the user's id in the shared one.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        QVERIFY((!runtime.isEmpty() && name.startsWith(runtime)) || name.endsWith(QString::number(::getuid())));
#endif
        QCOMPARE(SingleInstance().ServerName(), name);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
