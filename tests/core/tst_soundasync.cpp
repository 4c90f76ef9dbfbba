#include "core/sound.h"
#include "uitestenvironment.h"
#include "wavefile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>
#include <memory>

// The real playback, on a machine that may have no sound device or server at all: every request
// must come back at once, whatever the sound system does.
class TestSoundAsync : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env_;

    // A mono 16-bit PCM wave of a square tone.
    QString WriteWave(const QString& name, int milliseconds) {
        QByteArray samples;
        for (int i = 0; i < 8 * milliseconds; ++i)  // 8000 samples a second
            samples += Wave::Le(quint16(qint16((i % 40) < 20 ? 3000 : -3000)), 2);
        QFile f(env_->path(name));
        return f.open(QIODevice::WriteOnly) && f.write(Wave::Mono16(samples)) > 0 ? f.fileName() : QString();
    }

private slots:
    void init() {
        env_ = std::make_unique<UiTestEnvironment>();
        Sound::SetRecorderForTesting({});  // the real sounds
    }
    void cleanup() { env_.reset(); }

    void requestsNeverWait() {
        const QString longWave = WriteWave(QStringLiteral("lang.wav"), 10000);
        QFile garbage(env_->path(QStringLiteral("kaputt.wav")));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("keine Wave-Datei") > 0);
        garbage.close();
        QElapsedTimer clock;
        clock.start();
        // The same wave again while it may still play, another one replacing it, a missing file, no wave.
        for (const QString& path : {longWave, longWave, WriteWave(QStringLiteral("kurz.wav"), 200),
                                    env_->path(QStringLiteral("fehlt.wav")), garbage.fileName()})
            Sound::PlayAsync(path);
        Sound::Beep();
        // Far less than the ten seconds of the wave: nothing waited for the sound to end.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        // The event loop keeps running while the sound system does whatever it does.
        bool ticked = false;
        QTimer::singleShot(0, this, [&] { ticked = true; });
        QTRY_VERIFY(ticked);
    }
};

QTEST_MAIN(TestSoundAsync)
#include "tst_soundasync.moc"
