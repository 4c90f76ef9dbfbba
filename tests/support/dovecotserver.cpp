#include "dovecotserver.h"

#include "localport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QThread>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
const QString Binary = QStringLiteral("/usr/sbin/dovecot");
constexpr QFile::Permissions ReadableByAll = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size() &&
           file.setPermissions(ReadableByAll);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

bool DovecotServer::start(const QVector<User>& users) {
    stop();
    if (!QFileInfo(Binary).isExecutable()) {
        error_ = Binary + QStringLiteral(" is missing (Debian package dovecot-imapd)");
        return false;
    }
    // Dovecot's socket paths must stay short: a long TMPDIR is not used.
    const QString base = QDir::tempPath().size() <= 40 ? QDir::tempPath() : "/tmp";
    dir_ = std::make_unique<QTemporaryDir>(base + "/postfalke-dovecot-XXXXXX");
    const QString root = dir_->path();
    // Dovecot's unprivileged processes read the password file and reach the maildirs through it.
    QFile::setPermissions(root, ReadableByAll | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    for (const char* sub : {"run", "state", "mail"})
        QDir(root).mkpath(QLatin1String(sub));
    const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    mailUid_ = nobody ? nobody->pw_uid : geteuid();
    mailGid_ = nobody ? nobody->pw_gid : getegid();

    QByteArray passwd;
    for (const User& user : users)
        passwd += user.name.toUtf8() + ":{PLAIN}" + user.password.toUtf8() + '\n';
    if (!dir_->isValid() || !WriteFile(root + "/passwd", passwd)) {
        error_ = QStringLiteral("cannot write the password file in ") + root;
        return false;
    }
    if (!makeCertificates())
        return false;
    certificate_ = Certificate::AuthoritySigned;
    giveToMailUser(root + "/mail");
    for (const User& user : users)
        addRecent(user.name, user.recent, user.mailbox);
    // Another test may take the free port between our probe and Dovecot's bind: try again then.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const quint16 port = FreeLocalPort();
        quint16 tlsPort = FreeLocalPort();
        while (tlsPort == port)
            tlsPort = FreeLocalPort();
        if (launch(port, tlsPort))
            return true;
        if (!error_.contains(QStringLiteral("Address already in use")))
            break;
    }
    return false;
}

bool DovecotServer::makeCertificates() {
    const QString root = dir_->path();
    // A configuration of its own, so that no default extension of the system's one slips in.
    WriteFile(root + "/openssl.cnf", "[req]\ndistinguished_name = dn\nprompt = no\n[dn]\nCN = x\n");
    const QString leaf = "-addext basicConstraints=critical,CA:FALSE -addext subjectAltName=";
    const QString byAuthority = " -CA ca.crt -CAkey ca.key";
    // The name of the key and certificate files, then the subject and extensions.
    const QStringList jobs{
        "ca -subj \"/CN=Postfalke Test-CA\" -addext basicConstraints=critical,CA:TRUE "
        "-addext keyUsage=critical,keyCertSign,cRLSign",
        "signed -subj /CN=127.0.0.1 " + leaf + "IP:127.0.0.1,DNS:localhost" + byAuthority,
        "self -subj /CN=127.0.0.1 " + leaf + "IP:127.0.0.1",
        "other -subj /CN=127.0.0.1/O=Andere " + leaf + "IP:127.0.0.1",
        "wronghost -subj /CN=falsch.example " + leaf + "DNS:falsch.example" + byAuthority,
    };
    for (const QString& job : jobs) {
        const QString name = job.section(' ', 0, 0);
        const QString command = "req -config openssl.cnf -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                                "-days 2 -keyout %1.key -out %1.crt ";
        QProcess openssl;
        openssl.setWorkingDirectory(root);
        openssl.start("openssl", QProcess::splitCommand(command.arg(name) + job.section(' ', 1)));
        if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0) {
            error_ = "openssl req failed: " + QString::fromLocal8Bit(openssl.readAllStandardError());
            return false;
        }
        for (const char* suffix : {".key", ".crt"})
            QFile::setPermissions(root + '/' + name + suffix, ReadableByAll);
    }
    return true;
}

QSslCertificate DovecotServer::readCertificate(const QString& name) const {
    return dir_ ? QSslCertificate(ReadFile(dir_->filePath(name + ".crt"))) : QSslCertificate();
}

bool DovecotServer::useCertificate(Certificate certificate) {
    const quint16 port = port_;
    const quint16 tlsPort = tlsPort_;
    stop();
    certificate_ = certificate;
    return launch(port, tlsPort);
}

bool DovecotServer::launch(quint16 port, quint16 tlsPort) {
    const QString root = dir_->path();
    QString config = QStringLiteral(
        "protocols = imap\nlisten = 127.0.0.1\nbase_dir = %1/run\nstate_dir = %1/state\n"
        "log_path = %1/dovecot.log\ndisable_plaintext_auth = no\nauth_failure_delay = 0\n"
        "first_valid_uid = 1\nauth_username_chars =\n"
        // A refused LOGIN does not slow down the next ones.
        "passdb {\n  driver = static\n  args = noauthenticate=y nodelay=yes\n  result_success = continue\n}\n"
        "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN %1/passwd\n}\n"
        "userdb {\n  driver = static\n  args = uid=%2 gid=%3 home=%1/mail/%u\n}\n"
        "mail_location = maildir:%1/mail/%u\n"
        "service imap-login {\n  inet_listener imap {\n    address = 127.0.0.1\n    port = %4\n  }\n"
        "  inet_listener imaps {\n    address = 127.0.0.1\n    port = %6\n    ssl = yes\n  }\n%5}\n"
        "ssl = yes\nssl_cert = <%1/%7.crt\nssl_key = <%1/%7.key\n")
        .arg(root).arg(mailUid_).arg(mailGid_).arg(port).arg(geteuid() == 0 ? QString() : QStringLiteral("  chroot =\n"))
        .arg(tlsPort).arg(certificateName());
    if (geteuid() != 0) {
        // Without root there are no other users to switch to and no chroot.
        const passwd* self = getpwuid(geteuid());
        const group* own = getgrgid(getegid());
        config += QStringLiteral("default_internal_user = %1\ndefault_login_user = %1\ndefault_internal_group = %2\n"
                                 "service anvil {\n  chroot =\n}\n")
                      .arg(self ? QString::fromLocal8Bit(self->pw_name) : QString::number(geteuid()),
                           own ? QString::fromLocal8Bit(own->gr_name) : QString::number(getegid()));
    }
    const QString configFile = root + "/dovecot.conf";
    const QString pidFile = root + "/run/master.pid";
    QFile::remove(pidFile);
    const auto fail = [this](const QString& why) {
        error_ = why + QLatin1Char(' ') + log();
        stop();
        return false;
    };
    if (!WriteFile(configFile, config.toUtf8()))
        return fail(QStringLiteral("cannot write the configuration"));
    process_ = std::make_unique<QProcess>();
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setStandardOutputFile(root + "/dovecot.out", QIODevice::Append);
    process_->setStandardErrorFile(root + "/dovecot.out", QIODevice::Append);
    // Its own process group, killed as a whole by stop(); and it dies with the test process.
    process_->setChildProcessModifier([] {
        setsid();
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process_->start(Binary, {QStringLiteral("-F"), QStringLiteral("-c"), configFile});
    // Dovecot writes its pid file once its listeners are bound.
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(pidFile)) {
        if (process_->waitForFinished(2) || process_->state() == QProcess::NotRunning || clock.elapsed() > 10000)
            return fail(QStringLiteral("Dovecot did not start: ") + process_->errorString());
    }
    // Ready when the plain port greets.
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!probe.waitForReadyRead(10000))
        return fail(QStringLiteral("Dovecot does not greet: ") + probe.errorString());
    port_ = port;
    tlsPort_ = tlsPort;
    return true;
}

void DovecotServer::stop() {
    if (process_) {
        const pid_t pid = pid_t(process_->processId());
        const bool group = pid > 0 && getpgid(pid) == pid;
        if (group)
            ::kill(-pid, SIGKILL);
        process_->waitForFinished(5000);
        process_.reset();
        // Its children still hold the listeners until they are gone; a restart on the same ports waits.
        QElapsedTimer clock;
        clock.start();
        while (group && ::kill(-pid, 0) == 0 && clock.elapsed() < 5000)
            QThread::msleep(5);
    }
    port_ = 0;
    tlsPort_ = 0;
}

QString DovecotServer::log() const {
    return dir_ ? QString::fromUtf8(ReadFile(dir_->filePath("dovecot.log")) +
                                    ReadFile(dir_->filePath(QStringLiteral("dovecot.out"))))
                : QString();
}

void DovecotServer::addRecent(const QString& user, int count, const QString& mailbox) {
    const QString home = dir_->path() + "/mail/" + user;
    const QString folder = mailbox.isEmpty() || mailbox == "INBOX" ? home : home + "/." + mailbox;
    QStringList created{home, folder, folder + "/cur", folder + "/new", folder + "/tmp"};
    for (const QString& path : created)
        QDir().mkpath(path);
    for (int i = 0; i < count; ++i) {
        ++serial_;
        created << folder + QStringLiteral("/new/%1.M%2P%3.postfalke").arg(1700000000 + serial_).arg(serial_).arg(getpid());
        WriteFile(created.last(), "From: absender@example.org\r\nSubject: Nachricht " + QByteArray::number(serial_) + "\r\n\r\nHallo.\r\n");
    }
    for (const QString& path : created)
        giveToMailUser(path);
}

void DovecotServer::giveToMailUser(const QString& path) const {
    // Only root hands the files over (to "nobody"); a failure shows up as Dovecot's error later.
    if (geteuid() == 0)
        [[maybe_unused]] const int failed = ::chown(QFile::encodeName(path).constData(), mailUid_, mailGid_);
}
