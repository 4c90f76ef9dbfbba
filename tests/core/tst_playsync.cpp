#include "core/sound.h"
#include "wavefile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace Wave;

namespace {
QString Write(const QTemporaryDir& dir, const QByteArray& content) {
    QFile f(dir.filePath(QStringLiteral("t.wav")));
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName() : QString();
}
}  // namespace

// Playing a wave file and waiting for its end: the wait is bounded by the length the header gives.
class TestPlaySync : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void cleanup() { Sound::SetSyncMarginForTesting(-1); }

    void durationFromTheHeader_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("ms");
        QTest::newRow("50 ms") << Silence(50) << 50;
        QTest::newRow("other chunks first, odd one padded")
            << Riff(Chunk("LIST", QByteArray(5, 'x')) + Fmt(8000, 1, 16) + Chunk("data", QByteArray(1600, '\0'))) << 100;
        QTest::newRow("data cut short: what is there counts")
            << Riff(Fmt(8000, 1, 16) + Chunk("data", QByteArray(160, '\0'), 16000)) << 10;
        QTest::newRow("not RIFF") << QByteArray("ID3 this is an mp3 file") << -1;
    }
    void durationFromTheHeader() {
        QFETCH(QByteArray, content);
        QFETCH(int, ms);
        QCOMPARE(Sound::WaveDurationMs(Write(dir_, content)), ms);
    }

    // PlaySync beeps instead: a file without wave header, and one in a format the player does not
    // decode (85, MPEG layer 3).
    void aFileThatCannotBePlayedIsRefused() {
        QVERIFY(!Sound::PlayAndWait(Write(dir_, "RIFF but no wave at all")));
        QVERIFY(!Sound::PlayAndWait(Write(dir_, Riff(Fmt(8000, 1, 16, 85) + Chunk("data", QByteArray(800, 'U'))))));
    }

    // With the real sound effect: a machine without a sound server reports the sound as playing
    // for ever, so only the bound ends the wait; timers are served meanwhile.
    void playingEndsAndTimersGoOn() {
        const QString path = Write(dir_, Silence(40));
        Sound::SetSyncMarginForTesting(150);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(5);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(Sound::PlayAndWait(path));
        // Generous: a slow decode on a busy machine.
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(ticks > 0);
    }
};

QTEST_MAIN(TestPlaySync)
#include "tst_playsync.moc"
