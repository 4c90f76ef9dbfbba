#include "core/singleinstance.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr uid_t kOtherUser = 65534;

struct stat Lstat(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// A Unix socket listening at path that never accepts: a first instance that hangs.
bool Listen(int fd, const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 5) == 0;
}
}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int round_ = 0;
    QString name_;

private slots:
    // A socket of the test's own in a private folder, never the program's real one.
    void init() { name_ = dir_.filePath(QStringLiteral("postfalke-test-%1.socket").arg(++round_)); }

    // The socket file of a killed run is taken over; every later start asks this one and ends.
    void laterStartsAskTheFirst() {
        QVERIFY(QFile(name_).open(QIODevice::WriteOnly));
        SingleInstance first(name_);
        QSignalSpy shown(&first, &SingleInstance::ShowRequested);
        QVERIFY(!first.AlreadyRunning());
        QVERIFY(first.IsListening());
        SingleInstance second(name_);
        QVERIFY(second.AlreadyRunning());
        QVERIFY(!second.IsListening());
        QTRY_COMPARE(shown.count(), 1);
        QVERIFY(SingleInstance(name_).AlreadyRunning());
        QTRY_COMPARE(shown.count(), 2);
    }

    // The name lies only where no other user could have put it: a folder of the user's alone.
    void nameLiesInAPrivateFolder_data() {
        QTest::addColumn<int>("runtimeMode");  // -1: no runtime folder
        QTest::addColumn<QString>("cacheFolder");  // what is at cache/postfalke before: "", "other", "link"
        QTest::addColumn<QString>("expected");
        QTest::newRow("runtime folder") << 0700 << "" << "runtime";
        QTest::newRow("no runtime folder") << -1 << "" << "cache/postfalke";
        QTest::newRow("runtime folder writable by all") << 0777 << "" << "cache/postfalke";
        QTest::newRow("cache folder made by another user") << -1 << "other" << "tmp/postfalke-0";
        QTest::newRow("cache folder is a link") << -1 << "link" << "tmp/postfalke-0";
    }
    void nameLiesInAPrivateFolder() {
        QFETCH(int, runtimeMode);
        QFETCH(QString, cacheFolder);
        QFETCH(QString, expected);
        if (cacheFolder == "other" && ::geteuid() != 0)
            QSKIP("needs root to give a folder to another user");
        // A world of this round's own; the environment keeps pointing there until the next round.
        const QDir world(dir_.filePath(QString::number(round_)));
        const auto at = [&](const char* name) { return QFile::encodeName(world.filePath(QLatin1String(name))); };
        for (const char* folder : {"runtime", "cache", "tmp"})
            world.mkpath(QLatin1String(folder));
        ::chmod(at("runtime").constData(), mode_t(qMax(runtimeMode, 0)));
        if (cacheFolder == "other") {
            world.mkpath("cache/postfalke");
            QCOMPARE(::chown(at("cache/postfalke").constData(), kOtherUser, kOtherUser), 0);
        } else if (cacheFolder == "link") {
            QVERIFY(QFile::link(world.filePath("tmp"), world.filePath("cache/postfalke")));
        }
        runtimeMode < 0 ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", at("runtime"));
        qputenv("XDG_CACHE_HOME", at("cache"));
        qputenv("TMPDIR", at("tmp"));

        const QString folder = QFileInfo(SingleInstance::DefaultServerName()).path();
        QCOMPARE(folder, world.filePath(expected.replace("-0", QStringLiteral("-%1").arg(::geteuid()))));
        const struct stat st = Lstat(folder);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(st.st_uid, ::geteuid());
        QCOMPARE(st.st_mode & 077, 0u);
    }

    // A name held by another user is neither asked nor removed, and this start runs unguarded; a first
    // instance that hangs keeps its name, and the second start ends.
    void heldNameIsLeftAlone_data() {
        QTest::addColumn<bool>("foreign");
        QTest::newRow("another user's") << true;
        QTest::newRow("first instance hangs") << false;
    }
    void heldNameIsLeftAlone() {
        QFETCH(bool, foreign);
        if (foreign && ::geteuid() != 0)
            QSKIP("needs root to give a file to another user");
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(Listen(listener, name_));
        if (foreign)
            QCOMPARE(::chown(QFile::encodeName(name_).constData(), kOtherUser, kOtherUser), 0);
        const ino_t inode = Lstat(name_).st_ino;
        SingleInstance start(name_);
        start.SetAnswerTimeout(300);
        QCOMPARE(start.Start(), foreign ? SingleInstance::Outcome::First : SingleInstance::Outcome::NotAnswering);
        QVERIFY(!start.IsListening());
        QCOMPARE(Lstat(name_).st_ino, inode);
        pollfd asked{listener, POLLIN, 0};
        QCOMPARE(::poll(&asked, 1, 0), foreign ? 0 : 1);
        ::close(listener);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
