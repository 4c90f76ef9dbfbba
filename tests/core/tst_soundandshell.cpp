#include "core/shell.h"
#include "core/sound.h"
#include "wavefile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace Wave;

// The real sound layer, on a machine that may have no sound device or server at all, and the shell's
// "open". A program or sound given by a path that is not absolute is never looked up in the working
// folder, where anybody may have left a file of that name.
class TestSoundAndShell : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;   // files the user really chose, by absolute path
    QTemporaryDir work_;  // the working folder: a stranger's files lie here
    QString saved_;

    // Writes the file into dir_ (or where an absolute name says); its path, empty on failure.
    QString write(const QString& name, const QByteArray& content) {
        QFile f(QDir(dir_.path()).filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName() : QString();
    }
    // An executable shell script that leaves a marker file when it runs.
    void writeScript(const QString& path, const QString& marker) {
        QDir().mkpath(QFileInfo(path).path());
        const QString script = write(path, "#!/bin/sh\ntouch '" + QFile::encodeName(marker) + "'\n");
        QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner));
    }

private slots:
    void initTestCase() {
        saved_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work_.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(saved_); }
    void cleanup() { Sound::SetSyncMarginForTesting(-1); }

    void durationFromTheHeader_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("ms");
        QTest::newRow("other chunks first, odd one padded")
            << Riff(Chunk("LIST", QByteArray(5, 'x')) + Fmt(8000, 1, 16) + Chunk("data", QByteArray(1600, '\0'))) << 100;
        QTest::newRow("data cut short: what is there counts")
            << Riff(Fmt(8000, 1, 16) + Chunk("data", QByteArray(160, '\0'), 16000)) << 10;
        QTest::newRow("not RIFF") << QByteArray("ID3 this is an mp3 file") << -1;
    }
    void durationFromTheHeader() {
        QFETCH(QByteArray, content);
        QFETCH(int, ms);
        QCOMPARE(Sound::WaveDurationMs(write("t.wav", content)), ms);
    }

    // A format the player does not decode (85, MPEG layer 3) is refused; the caller beeps instead.
    void aFileThatCannotBePlayedIsRefused() {
        QVERIFY(!Sound::PlayAndWait(write("t.wav", Riff(Fmt(8000, 1, 16, 85) + Chunk("data", QByteArray(800, 'U'))))));
    }

    // Without a sound server a sound plays "for ever": the header's length ends the wait.
    void playingEndsAndTimersGoOn() {
        const QString path = write("t.wav", Silence(40));
        Sound::SetSyncMarginForTesting(150);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(5);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(Sound::PlayAndWait(path));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));  // generous: a busy machine
        QVERIFY(ticks > 0);
    }

    // Replaying, replacing, a missing file, no wave, a beep: every request comes back at once.
    void requestsInTheBackgroundNeverWait() {
        const QString longWave = write("lang.wav", Silence(10000));
        QElapsedTimer clock;
        clock.start();
        for (const QString& path : {longWave, longWave, write("kurz.wav", Silence(200)), dir_.filePath("fehlt.wav"),
                                    write("kaputt.wav", "keine Wave-Datei")})
            Sound::PlayAsync(path);
        Sound::Beep();
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        bool ticked = false;
        QTimer::singleShot(0, this, [&] { ticked = true; });
        QTRY_VERIFY(ticked);
    }

    void programIsNotRunFromTheWorkingFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("Windows default") << "C:\\Programme\\Outlook Express\\msimn.exe";
        QTest::newRow("relative path") << "./bin/mail.sh";
    }
    void programIsNotRunFromTheWorkingFolder() {
        QFETCH(QString, path);
        const QString planted = work_.filePath("planted.ran");
        const QString chosen = dir_.filePath("chosen.ran");
        writeScript(work_.filePath(path), planted);
        writeScript(dir_.filePath("mail.sh"), chosen);
        ShellOpen(path);
        ShellOpen(dir_.filePath("mail.sh"));  // runs, so the other would have run by now too
        QTRY_VERIFY(QFile::exists(chosen));
        QFile::remove(chosen);
        QVERIFY(!QFile::exists(planted));
    }

    void soundIsNotPlayedFromTheWorkingFolder() {
        QVERIFY(!write(work_.filePath("alarm.wav"), Silence(100)).isEmpty());
        QCOMPARE(Sound::WaveDurationMs(write("alarm.wav", Silence(100))), 100);
        QCOMPARE(Sound::WaveDurationMs("alarm.wav"), -1);
        QVERIFY(!Sound::PlayAndWait("alarm.wav"));
    }
};

QTEST_MAIN(TestSoundAndShell)
#include "tst_soundandshell.moc"
