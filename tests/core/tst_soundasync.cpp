#include "core/sound.h"
#include "testenvironment.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>
#include <memory>

// The real wave playback, on a machine that may have no sound device or server at all: every
// request must come back at once, whatever the sound system does.
class TestSoundAsync : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;

    // A mono 16-bit PCM wave of a square tone.
    QString WriteWave(const QString& name, int milliseconds) {
        const quint32 rate = 8000;
        const quint32 bytes = rate * quint32(milliseconds) / 1000 * 2;
        QFile f(env_->path(name));
        if (!f.open(QIODevice::WriteOnly))
            return {};
        QDataStream out(&f);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + bytes);
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
        out.writeRawData("data", 4);
        out << bytes;
        for (quint32 i = 0; i < bytes / 2; ++i)
            out << qint16((i % 40) < 20 ? 3000 : -3000);
        return f.fileName();
    }

private slots:
    void init() {
        env_ = std::make_unique<TestEnvironment>();
        Sound::SetRecorderForTesting({});  // the real sounds
    }
    void cleanup() { env_.reset(); }

    void requestsNeverWait_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("a ten-second wave") << "long";
        QTest::newRow("the same wave again while it may still play") << "again";
        QTest::newRow("another wave replacing it") << "other";
        QTest::newRow("a missing file") << "missing";
        QTest::newRow("a file that is no wave") << "garbage";
    }

    void requestsNeverWait() {
        QFETCH(QString, what);
        const QString longWave = WriteWave(QStringLiteral("lang.wav"), 10000);
        QVERIFY(!longWave.isEmpty());
        QString path = longWave;
        if (what == QLatin1String("other"))
            path = WriteWave(QStringLiteral("kurz.wav"), 200);
        else if (what == QLatin1String("missing"))
            path = env_->path(QStringLiteral("fehlt.wav"));
        else if (what == QLatin1String("garbage")) {
            path = env_->path(QStringLiteral("kaputt.wav"));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("keine Wave-Datei");
        }
        if (what == QLatin1String("again") || what == QLatin1String("other"))
            Sound::PlayAsync(longWave);

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 3; ++i)
            Sound::PlayAsync(path);
        // Far less than the ten seconds of the wave: nothing waited for the sound to end.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));

        // The event loop keeps running while the sound system does whatever it does.
        bool ticked = false;
        QTimer::singleShot(0, this, [&] { ticked = true; });
        QTRY_VERIFY(ticked);
    }

    void beepReturns() {
        QElapsedTimer clock;
        clock.start();
        Sound::Beep();
        QVERIFY(clock.elapsed() < 2000);
    }
};

QTEST_MAIN(TestSoundAsync)
#include "tst_soundasync.moc"
