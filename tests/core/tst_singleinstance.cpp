#include "core/singleinstance.h"

#include <QFile>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr uid_t kOtherUser = 65534;

struct stat Lstat(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

sockaddr_un Address(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    return address;
}

// A Unix socket listening at path that never accepts: a first instance that hangs.
int HungListener(const QString& path, int backlog) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, backlog) != 0)
        return -1;
    return fd;
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

    // The name never lies where another user could have put it: the runtime folder only when it
    // is the user's alone, else a folder of the user's own, made 0700.
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
        QTemporaryDir world;
        const auto at = [&](const char* name) { return world.filePath(QLatin1String(name)); };
        QDir(world.path()).mkpath("runtime");
        QDir(world.path()).mkpath("cache");
        QDir(world.path()).mkpath("tmp");
        ::chmod(QFile::encodeName(at("runtime")).constData(), mode_t(qMax(runtimeMode, 0)));
        if (cacheFolder == "other") {
            QDir(world.path()).mkpath("cache/postfalke");
            QCOMPARE(::chown(QFile::encodeName(at("cache/postfalke")).constData(), kOtherUser, kOtherUser), 0);
        } else if (cacheFolder == "link") {
            QVERIFY(QFile::link(at("tmp"), at("cache/postfalke")));
        }
        const QByteArray saved[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("XDG_CACHE_HOME"), qgetenv("TMPDIR")};
        runtimeMode < 0 ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", QFile::encodeName(at("runtime")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(at("cache")));
        qputenv("TMPDIR", QFile::encodeName(at("tmp")));
        const QString name = SingleInstance::DefaultServerName();
        qputenv("XDG_RUNTIME_DIR", saved[0]);
        qputenv("XDG_CACHE_HOME", saved[1]);
        qputenv("TMPDIR", saved[2]);

        const QString folder = QFileInfo(name).path();
        QCOMPARE(folder, world.filePath(expected.replace("-0", QStringLiteral("-%1").arg(::geteuid()))));
        const struct stat st = Lstat(folder);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(st.st_uid, ::geteuid());
        QCOMPARE(st.st_mode & 077, 0u);
    }

    // A name held by another user is neither asked nor removed; this start runs unguarded.
    void socketOfAnotherUserIsLeftAlone_data() {
        QTest::addColumn<bool>("live");
        QTest::newRow("listening socket") << true;
        QTest::newRow("leftover file") << false;
    }
    void socketOfAnotherUserIsLeftAlone() {
        QFETCH(bool, live);
        if (::geteuid() != 0)
            QSKIP("needs root to give a file to another user");
        QLocalServer foreign;
        if (live)
            QVERIFY(foreign.listen(name_));
        else
            QVERIFY(QFile(name_).open(QIODevice::WriteOnly));
        QCOMPARE(::chown(QFile::encodeName(name_).constData(), kOtherUser, kOtherUser), 0);
        const ino_t inode = Lstat(name_).st_ino;
        SingleInstance start(name_);
        QCOMPARE(start.Start(), SingleInstance::Outcome::First);
        QVERIFY(!start.IsListening());
        QCOMPARE(Lstat(name_).st_ino, inode);
        QCoreApplication::processEvents();
        QVERIFY(!foreign.hasPendingConnections());
    }

    // A first instance that hangs keeps its name; the second start ends and says why.
    void silentFirstInstanceIsLeftAlone_data() {
        QTest::addColumn<int>("backlog");
        QTest::addColumn<bool>("fillQueue");
        QTest::newRow("takes the connection, answers nothing") << 5 << false;
        QTest::newRow("its queue is full") << 0 << true;
    }
    void silentFirstInstanceIsLeftAlone() {
        QFETCH(int, backlog);
        QFETCH(bool, fillQueue);
        const int listener = HungListener(name_, backlog);
        QVERIFY(listener >= 0);
        std::vector<int> waiting;
        while (fillQueue && waiting.size() < 64) {
            waiting.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
            const sockaddr_un address = Address(name_);
            if (::connect(waiting.back(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                break;
        }
        const ino_t inode = Lstat(name_).st_ino;
        SingleInstance second(name_);
        second.SetAnswerTimeout(300);
        QCOMPARE(second.Start(), SingleInstance::Outcome::NotAnswering);
        QVERIFY(!second.IsListening());
        QCOMPARE(Lstat(name_).st_ino, inode);
        for (const int fd : waiting)
            ::close(fd);
        ::close(listener);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
