#include "core/sound.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

namespace {
QByteArray Le32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray Le16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray Chunk(const char* id, const QByteArray& body, quint32 declared = 0xFFFFFFFFu) {
    QByteArray c = QByteArray(id, 4) + Le32(declared == 0xFFFFFFFFu ? quint32(body.size()) : declared) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}
// A PCM "fmt " chunk.
QByteArray Fmt(quint32 rate, quint16 channels, quint16 bits) {
    const quint16 block = quint16(channels * bits / 8);
    return Chunk("fmt ", Le16(1) + Le16(channels) + Le32(rate) + Le32(rate * block) + Le16(block) + Le16(bits));
}
QByteArray Riff(const QByteArray& chunks) { return "RIFF" + Le32(quint32(4 + chunks.size())) + "WAVE" + chunks; }
// A silent PCM wave file of the given length.
QByteArray Silence(int ms, quint32 rate = 8000, quint16 channels = 1, quint16 bits = 16) {
    const int bytes = int(qint64(rate) * channels * (bits / 8) * ms / 1000);
    return Riff(Fmt(rate, channels, bits) + Chunk("data", QByteArray(bytes, '\0')));
}
}  // namespace

class TestPlaySync : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        Sound::SetRecorderForTesting({});
        Sound::SetSyncMarginForTesting(-1);
    }

    void durationFromTheHeader_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("ms");
        QTest::newRow("50 ms mono 8 kHz") << Silence(50) << 50;
        QTest::newRow("one second stereo 44.1 kHz") << Silence(1000, 44100, 2, 16) << 1000;
        QTest::newRow("rounded up") << Riff(Fmt(8000, 1, 8) + Chunk("data", QByteArray(3, '\0'))) << 1;
        QTest::newRow("other chunks first, odd one padded")
            << Riff(Chunk("LIST", QByteArray(5, 'x')) + Fmt(8000, 1, 16) + Chunk("data", QByteArray(1600, '\0'))) << 100;
        QTest::newRow("longer fmt chunk") << Riff(Chunk("fmt ", Fmt(8000, 1, 16).mid(8) + Le16(0)) +
                                                  Chunk("data", QByteArray(800, '\0')))
                                          << 50;
        QTest::newRow("data cut short: what is there counts")
            << Riff(Fmt(8000, 1, 16) + Chunk("data", QByteArray(160, '\0'), 16000)) << 10;
        QTest::newRow("no data") << Riff(Fmt(8000, 1, 16) + Chunk("data", QByteArray())) << 0;
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("not RIFF") << QByteArray("ID3 this is an mp3 file, nothing else") << -1;
        QTest::newRow("RIFF of another kind") << QByteArray("RIFF\x10\0\0\0AVI LIST\0\0\0\0", 20) << -1;
        QTest::newRow("data before fmt") << Riff(Chunk("data", QByteArray(800, '\0')) + Fmt(8000, 1, 16)) << -1;
        QTest::newRow("zero byte rate") << Riff(Fmt(0, 1, 16) + Chunk("data", QByteArray(8, '\0'))) << -1;
        QTest::newRow("no data chunk") << Riff(Fmt(8000, 1, 16)) << -1;
    }
    void durationFromTheHeader() {
        QFETCH(QByteArray, content);
        QFETCH(int, ms);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("t.wav")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        QCOMPARE(Sound::WaveDurationMs(f.fileName()), ms);
    }

    void missingFileHasNoDuration() { QCOMPARE(Sound::WaveDurationMs(QStringLiteral("/nonexistent/x.wav")), -1); }

    void recorderSeesTheRequest() {
        QStringList requests;
        Sound::SetRecorderForTesting([&requests](const QString& r) { requests << r; });
        Sound::PlaySync(QStringLiteral("/some/klang.wav"));
        QCOMPARE(requests, QStringList{"sync:/some/klang.wav"});
    }

    void aFileThatCannotBePlayedIsRefused_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no wave header") << QByteArray("RIFF but no wave at all");
        // A complete header, but compressed data the player does not decode (format 85, MPEG layer 3).
        QByteArray mp3Fmt = Fmt(8000, 1, 16);
        mp3Fmt.replace(8, 2, Le16(85));
        QTest::newRow("undecodable format") << Riff(mp3Fmt + Chunk("data", QByteArray(800, '\x55')));
    }
    void aFileThatCannotBePlayedIsRefused() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("kaputt.wav")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!Sound::PlayAndWait(f.fileName()));
        QVERIFY(clock.elapsed() < 1000);
    }

    // With the real sound effect: ends after the file's length plus the margin at the latest (a
    // machine without a sound server reports the sound as playing for ever), and timers are served
    // meanwhile.
    void playingEndsAndTimersGoOn() {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("kurz.wav")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Silence(40));
        f.close();
        Sound::SetSyncMarginForTesting(150);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(5);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(Sound::PlayAndWait(f.fileName()));
        const qint64 elapsed = clock.elapsed();
        // Without the bound this never returns here (no sound server: "playing" for ever); the
        // limit leaves room for a slow decode on a busy machine.
        QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
        QVERIFY(ticks > 0);
    }
};

QTEST_MAIN(TestPlaySync)
#include "tst_playsync.moc"
