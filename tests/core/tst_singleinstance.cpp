#include "core/singleinstance.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int round_ = 0;
    QString name_;

private slots:
    // A socket of the test's own in a private folder, never the program's real one.
    void init() { name_ = dir_.filePath(QStringLiteral("postfalke-test-%1.socket").arg(++round_)); }

    void secondStartAsksTheFirstAndEnds() {
        SingleInstance first(name_);
        QSignalSpy shown(&first, &SingleInstance::ShowRequested);
        QVERIFY(!first.AlreadyRunning());
        SingleInstance second(name_);
        QVERIFY(second.AlreadyRunning());
        QVERIFY(!second.IsListening());
        QTRY_COMPARE(shown.count(), 1);
        SingleInstance third(name_);
        QVERIFY(third.AlreadyRunning());
        QTRY_COMPARE(shown.count(), 2);
    }

    void leftoverOfAnEndedRunIsTakenOver_data() {
        QTest::addColumn<bool>("crashed");
        QTest::newRow("ended normally") << false;
        QTest::newRow("killed, its socket file left behind") << true;
    }
    void leftoverOfAnEndedRunIsTakenOver() {
        QFETCH(bool, crashed);
        if (crashed) {
            QFile stale(name_);
            QVERIFY(stale.open(QIODevice::WriteOnly));
        } else {
            SingleInstance earlier(name_);
            QVERIFY(!earlier.AlreadyRunning());
        }
        SingleInstance start(name_);
        QVERIFY(!start.AlreadyRunning());
        QVERIFY(start.IsListening());
        QSignalSpy shown(&start, &SingleInstance::ShowRequested);
        QVERIFY(SingleInstance(name_).AlreadyRunning());
        QTRY_COMPARE(shown.count(), 1);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
