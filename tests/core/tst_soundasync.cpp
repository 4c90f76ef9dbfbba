#include "core/sound.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>
#include <memory>

// The real wave playback, on a machine that may have no sound device or server at all: every
// request must come back at once, whatever the sound system does.
class TestSoundAsync : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;

    QString WriteWave(const QString& name, int milliseconds) {
        const QString path = env_->path(name);
        const int rate = 8000;
        const int samples = rate * milliseconds / 1000;
        QByteArray data(samples * 2, '\0');
        for (int i = 0; i < samples; ++i) {
            const qint16 v = qint16((i % 40) < 20 ? 3000 : -3000);
            data[2 * i] = char(v & 0xff);
            data[2 * i + 1] = char((v >> 8) & 0xff);
        }
        QByteArray header;
        auto u32 = [&](quint32 v) { for (int k = 0; k < 4; ++k) header.append(char((v >> (8 * k)) & 0xff)); };
        auto u16 = [&](quint16 v) { header.append(char(v & 0xff)); header.append(char(v >> 8)); };
        header.append("RIFF");
        u32(quint32(36 + data.size()));
        header.append("WAVEfmt ");
        u32(16);
        u16(1);
        u16(1);
        u32(rate);
        u32(rate * 2);
        u16(2);
        u16(16);
        header.append("data");
        u32(quint32(data.size()));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(header + data);
        return path;
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
