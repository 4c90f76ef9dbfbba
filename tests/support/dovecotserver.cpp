#include "dovecotserver.h"

#include "localport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteFile(const QString& path, const QByteArray& content, QFile::Permissions permissions) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size() &&
           file.setPermissions(permissions);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Dovecot's socket paths must stay short; a long TMPDIR is not used.
QString TemplatePath() {
    const QString base = QDir::tempPath().size() <= 40 ? QDir::tempPath() : QStringLiteral("/tmp");
    return base + QStringLiteral("/postfalke-dovecot-XXXXXX");
}

constexpr QFile::Permissions ReadableByAll =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;

}  // namespace

DovecotServer::DovecotServer() = default;

DovecotServer::~DovecotServer() { stop(); }

bool DovecotServer::start(const QVector<User>& users) {
    stop();
    error_.clear();
    if (!QFileInfo(binary()).isExecutable()) {
        error_ = binary() + QStringLiteral(" is missing (Debian package dovecot-imapd)");
        return false;
    }
    if (!prepare(users))
        return false;
    // Another test may take the free port between our probe and Dovecot's bind: try again then.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (launch(FreeLocalPort()))
            return true;
        if (!error_.contains(QStringLiteral("Address already in use")))
            break;
    }
    return false;
}

bool DovecotServer::prepare(const QVector<User>& users) {
    dir_ = std::make_unique<QTemporaryDir>(TemplatePath());
    if (!dir_->isValid()) {
        error_ = QStringLiteral("no temporary folder: ") + dir_->errorString();
        return false;
    }
    const QString root = dir_->path();
    // Dovecot's unprivileged processes read the password file and reach the maildirs through it.
    QFile::setPermissions(root, ReadableByAll | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    QDir(root).mkpath(QStringLiteral("run"));
    QDir(root).mkpath(QStringLiteral("state"));
    QDir(root).mkpath(QStringLiteral("mail"));

    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody) {
            error_ = QStringLiteral("no user \"nobody\" to own the mail");
            return false;
        }
        mailUid_ = nobody->pw_uid;
        mailGid_ = nobody->pw_gid;
    } else {
        mailUid_ = geteuid();
        mailGid_ = getegid();
    }

    QByteArray passwd;
    for (const User& user : users)
        passwd += user.name.toUtf8() + ":{PLAIN}" + user.password.toUtf8() + '\n';
    if (!WriteFile(root + QStringLiteral("/passwd"), passwd, ReadableByAll)) {
        error_ = QStringLiteral("cannot write the password file");
        return false;
    }

    giveToMailUser(root + QStringLiteral("/mail"));
    for (const User& user : users) {
        addRecent(user.name, user.recent);
        for (const Mailbox& mailbox : user.mailboxes)
            addRecent(user.name, mailbox.recent, mailbox.name);
    }
    return true;
}

bool DovecotServer::launch(quint16 port) {
    const QString root = dir_->path();
    QString config = QStringLiteral(
        "protocols = imap\n"
        "listen = 127.0.0.1\n"
        "base_dir = %1/run\n"
        "state_dir = %1/state\n"
        "log_path = %1/dovecot.log\n"
        "ssl = no\n"
        "disable_plaintext_auth = no\n"
        "auth_failure_delay = 0\n"
        "first_valid_uid = 1\n"
        // User names with 8-bit characters (sent as UTF-8) are allowed.
        "auth_username_chars =\n"
        // Lets a refused LOGIN from 127.0.0.1 not slow down the next ones.
        "passdb {\n  driver = static\n  args = noauthenticate=y nodelay=yes\n  result_success = continue\n}\n"
        "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN %1/passwd\n}\n"
        "userdb {\n  driver = static\n  args = uid=%2 gid=%3 home=%1/mail/%u\n}\n"
        "mail_location = maildir:%1/mail/%u\n"
        "service imap-login {\n  inet_listener imap {\n    address = 127.0.0.1\n    port = %4\n  }\n%5}\n")
        .arg(root).arg(mailUid_).arg(mailGid_).arg(port);
    if (geteuid() == 0) {
        config = config.arg(QString());
    } else {
        // Without root there are no other users to switch to and no chroot.
        const passwd* self = getpwuid(geteuid());
        const group* own = getgrgid(getegid());
        const QString name = self ? QString::fromLocal8Bit(self->pw_name) : QString::number(geteuid());
        const QString groupName = own ? QString::fromLocal8Bit(own->gr_name) : QString::number(getegid());
        config = config.arg(QStringLiteral("  chroot =\n"));
        config += QStringLiteral("default_internal_user = %1\ndefault_login_user = %1\ndefault_internal_group = %2\n"
                                 "service anvil {\n  chroot =\n}\n")
                      .arg(name, groupName);
    }
    const QString configFile = root + QStringLiteral("/dovecot.conf");
    const QString pidFile = root + QStringLiteral("/run/master.pid");
    QFile::remove(pidFile);
    if (!WriteFile(configFile, config.toUtf8(), ReadableByAll)) {
        error_ = QStringLiteral("cannot write the configuration");
        return false;
    }

    process_ = std::make_unique<QProcess>();
    process_->setProgram(binary());
    process_->setArguments({QStringLiteral("-F"), QStringLiteral("-c"), configFile});
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setStandardOutputFile(root + QStringLiteral("/dovecot.out"), QIODevice::Append);
    process_->setStandardErrorFile(root + QStringLiteral("/dovecot.out"), QIODevice::Append);
    // Its own process group, so that stop() can kill the server with all its children; and it
    // dies with the test process.
    process_->setChildProcessModifier([] {
        setsid();
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process_->start();
    if (!process_->waitForStarted(5000)) {
        error_ = QStringLiteral("cannot start ") + binary() + QStringLiteral(": ") + process_->errorString();
        process_.reset();
        return false;
    }
    // Dovecot writes its pid file once its listeners are bound.
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(pidFile)) {
        if (process_->waitForFinished(2) || process_->state() == QProcess::NotRunning) {
            error_ = QStringLiteral("Dovecot ended at start: ") + log();
            process_.reset();
            return false;
        }
        if (clock.elapsed() > 10000) {
            error_ = QStringLiteral("Dovecot did not start within 10 s: ") + log();
            stop();
            return false;
        }
    }
    port_ = port;
    return true;
}

void DovecotServer::stop() {
    if (process_) {
        const pid_t pid = pid_t(process_->processId());
        if (pid > 0 && getpgid(pid) == pid)
            ::kill(-pid, SIGKILL);
        process_->waitForFinished(5000);
        process_.reset();
    }
    port_ = 0;
    dir_.reset();
}

QString DovecotServer::log() const {
    if (!dir_)
        return {};
    return QString::fromUtf8(ReadFile(dir_->filePath(QStringLiteral("dovecot.log"))) +
                             ReadFile(dir_->filePath(QStringLiteral("dovecot.out"))));
}

QString DovecotServer::mailboxFolder(const QString& user, const QString& mailbox) const {
    QString folder = dir_->path() + QStringLiteral("/mail/") + user;
    if (!mailbox.isEmpty() && mailbox != QStringLiteral("INBOX"))
        folder += QStringLiteral("/.") + mailbox;
    return folder;
}

void DovecotServer::addRecent(const QString& user, int count, const QString& mailbox) {
    if (!dir_)
        return;
    const QString folder = mailboxFolder(user, mailbox);
    QStringList created{mailboxFolder(user, QString()), folder};
    for (const char* sub : {"/cur", "/new", "/tmp"}) {
        QDir().mkpath(folder + QLatin1String(sub));
        created << folder + QLatin1String(sub);
    }
    for (int i = 0; i < count; ++i) {
        ++messageSerial_;
        const QString file = folder + QStringLiteral("/new/%1.M%2P%3.postfalke").arg(1700000000 + messageSerial_).arg(messageSerial_).arg(getpid());
        const QByteArray message = "From: absender@example.org\r\nTo: " + user.toUtf8() + "@example.org\r\nSubject: Nachricht " +
                                   QByteArray::number(messageSerial_) + "\r\n\r\nHallo.\r\n";
        WriteFile(file, message, ReadableByAll);
        created << file;
    }
    for (const QString& path : created)
        giveToMailUser(path);
}

void DovecotServer::giveToMailUser(const QString& path) const {
    // Only root hands the files over (to "nobody"); a failure shows up as Dovecot's error later.
    if (geteuid() == 0) {
        const int result = ::chown(QFile::encodeName(path).constData(), mailUid_, mailGid_);
        Q_UNUSED(result);
    }
}
