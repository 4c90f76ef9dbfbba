#include "core/shell.h"
#include "core/sound.h"
#include "wavefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// An executable shell script that leaves a marker file when it runs.
void WriteScript(const QString& path, const QString& marker) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\ntouch '" + QFile::encodeName(marker) + "'\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}
}  // namespace

// A program or sound given by a path that is not absolute is never looked up in the working
// folder, where anybody may have left a file of that name.
class TestWorkingFolder : public QObject {
    Q_OBJECT
    QTemporaryDir work_;  // the working folder: a stranger's files lie here
    QTemporaryDir own_;   // files the user really chose, by absolute path
    QString saved_;

private slots:
    void initTestCase() {
        saved_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work_.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(saved_); }

    void programIsNotRunFromTheWorkingFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("Windows default") << "C:\\Programme\\Outlook Express\\msimn.exe";
        QTest::newRow("relative path") << "./bin/mail.sh";
    }
    void programIsNotRunFromTheWorkingFolder() {
        QFETCH(QString, path);
        const QString planted = work_.filePath("planted.ran");
        const QString chosen = own_.filePath("chosen.ran");
        WriteScript(work_.filePath(path), planted);
        WriteScript(own_.filePath("mail.sh"), chosen);
        ShellOpen(path);
        ShellOpen(own_.filePath("mail.sh"));  // runs, so the other would have run by now too
        QTRY_VERIFY(QFile::exists(chosen));
        QFile::remove(chosen);
        QVERIFY(!QFile::exists(planted));
    }

    void soundIsNotPlayedFromTheWorkingFolder() {
        for (const QString& folder : {work_.path(), own_.path()}) {
            QFile file(folder + "/alarm.wav");
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Wave::Silence(100));
        }
        QCOMPARE(Sound::WaveDurationMs(own_.filePath("alarm.wav")), 100);
        QCOMPARE(Sound::WaveDurationMs("alarm.wav"), -1);
        QVERIFY(!Sound::PlayAndWait("alarm.wav"));
    }
};

QTEST_GUILESS_MAIN(TestWorkingFolder)
#include "tst_workingfolder.moc"
