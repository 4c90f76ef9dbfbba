// The check cycle against a private Dovecot on 127.0.0.1: counts, values that are not atoms, unseen
// mail with Python's imaplib as the user's own mail program, and encrypted connections whose
// certificates come from a test authority that only this test's socket trusts.
#include "check/checkcycle.h"
#include "check/winsock.h"
#include "core/account.h"
#include "core/funktionen.h"
#include "core/translation.h"
#include "dovecotserver.h"
#include "recordingrelay.h"
#include "testenvironment.h"

#include <QProcess>
#include <QtTest>
#include <memory>

using Cert = DovecotServer::Certificate;

namespace {
const char* const MailProgram = R"(
import imaplib, sys
m = imaplib.IMAP4(sys.argv[1], int(sys.argv[2]))
m.login(sys.argv[3], "geheim")
for verb, _, box in (action.partition(":") for action in sys.argv[4:]):
    if verb == "select":
        m.select(box or "INBOX")
    if verb == "recreate":
        m.delete(box), m.create(box)
    if verb == "append":
        m.append(box, None, None, b"Subject: Neu\r\n\r\nHallo.\r\n")
m.logout()
)";
}  // namespace

class TestCheckDovecot : public QObject {
    Q_OBJECT
    DovecotServer dovecot;
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    QStringList protocol;
    int alerts = 0;

    Account& add(const QString& user, const QString& password = QStringLiteral("geheim"),
                 const QString& mailbox = QStringLiteral("INBOX"), quint16 port = 0) {
        Accounts.append(TestAccount(user, port ? port : dovecot.port(), password, mailbox));
        return Accounts.last();
    }
    // The program starts (again): a new cycle that knows only what it reads from its files.
    void start() {
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, 5000});
        QSslConfiguration trustTestAuthority = QSslConfiguration::defaultConfiguration();
        trustTestAuthority.setCaCertificates({dovecot.authority()});
        cycle->Winsock1()->SetSslConfiguration(trustTestAuthority);
        cycle->SetProtocolSink([this](const QString& text) { protocol << text; });
        cycle->SetAlertDispatcher([this] { ++alerts; });
    }
    // One cycle to its end; the counts of all accounts.
    QList<int> check() {
        cycle->CheckNow();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, 20000); }();
        alerts = 0;
        QList<int> counts;
        for (int i = 1; i <= AccountCount(); ++i)
            counts << Accounts[i].NewMailCount;
        return counts;
    }
    // The user's mail program does these actions as this user.
    void mailProgram(const QString& user, const QStringList& actions) {
        QProcess python;
        python.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), QString::fromLatin1(MailProgram), dovecot.host(),
                                                            QString::number(dovecot.port()), user} + actions);
        QVERIFY(python.waitForFinished(20000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    }

private slots:
    void initTestCase() {
        QVERIFY(InstallGermanTranslation());
        const bool started = dovecot.start({{"maria", "geheim", 3}, {"jan", "zwei Worte", 1}, {"ole", "Sonder\"zeichen\\ (%*) {1}", 2},
                                            {QString::fromUtf8("jürgen"), QString::fromUtf8("Käse"), 4},
                                            {"paul", "geheim", 5, "Entw&APw-rfe"}, {"anna", "geheim", 2},
                                            {"bernd", "geheim", 1}, {"dora", "geheim", 1, "Archiv"}});
        QVERIFY2(started, qPrintable(dovecot.errorString()));
    }
    void init() {
        env = std::make_unique<TestEnvironment>();
        protocol.clear();
        alerts = 0;
        start();
    }
    void cleanup() {
        if (QTest::currentTestFailed())
            qInfo("%s\n%s", qPrintable(protocol.join('\n')), qPrintable(dovecot.log().right(3000)));
        cycle.reset();
        env.reset();
    }

    // Quoted and UTF-8 user names and passwords, a mailbox name in modified UTF-7; each connection
    // after the previous account's confirmed logout, the LOGINs in list order.
    void accountsOneAfterAnother() {
        add(QStringLiteral("jan"), QStringLiteral("zwei Worte"));
        add(QStringLiteral("ole"), QStringLiteral("Sonder\"zeichen\\ (%*) {1}"));
        add(QString::fromUtf8("jürgen"), QString::fromUtf8("Käse"));
        add(QStringLiteral("paul"), QStringLiteral("geheim"), QString::fromUtf8("Entwürfe"));
        QCOMPARE(check(), (QList<int>{1, 2, 4, 5}));
        QVERIFY(protocol.contains(QString::fromUtf8("A002 EXAMINE Entwürfe")));
        QStringList steps = protocol.filter(QRegularExpression(QStringLiteral("^(Connecting|A001 LOGIN|A004 OK)")));
        steps.replaceInStrings(QRegularExpression(QStringLiteral("^(Connecting|A004 OK).*")), QStringLiteral("\\1"));
        QCOMPARE(steps.join(' '), QString::fromUtf8("Connecting A001 LOGIN jan A004 OK Connecting A001 LOGIN ole A004 OK "
                                                    "Connecting A001 LOGIN jürgen A004 OK Connecting A001 LOGIN paul A004 OK"));
    }

    // The same mailbox counted both ways. Once another client has selected it, RECENT is 0: the old
    // way misses new mail, the new way counts it, once.
    void unseenAfterAnotherClient() {
        add(QStringLiteral("anna"));
        add(QStringLiteral("anna")).Zaehlweise = 1;
        QCOMPARE(check(), (QList<int>{2, 0}));  // the first check learns the mailbox
        dovecot.addRecent(QStringLiteral("anna"), 1);
        mailProgram(QStringLiteral("anna"), {QStringLiteral("select")});
        QCOMPARE(check(), (QList<int>{0, 1}));
        QCOMPARE(check(), (QList<int>{0, 0}));
    }

    // Saving the settings (with the dialog's reload) leaves what is remembered alone and the store
    // holds none of it; the file is the user's alone. Mail that arrives while the program is stopped
    // is counted at the next start. A mailbox deleted and created anew meanwhile has another
    // UIDVALIDITY: its messages are not counted (their UIDs start over), the next check counts again.
    void unseenRememberedAcrossSavesAndRestarts() {
        add(QStringLiteral("bernd")).Zaehlweise = 1;
        add(QStringLiteral("dora"), QStringLiteral("geheim"), QStringLiteral("Archiv")).Zaehlweise = 1;
        QCOMPARE(check(), (QList<int>{0, 0}));
        const QByteArray remembered = env->read(QStringLiteral("data/Abfragestand.json"));
        QVERIFY(remembered.contains("UIDNEXT"));
        SaveAccounts();
        SaveSettings();
        LoadAccounts();
        QCOMPARE(env->read(QStringLiteral("data/Abfragestand.json")), remembered);
        QVERIFY(!env->read(QStringLiteral("config/Postfalke/Postfalke.conf")).contains("UID"));
        cycle.reset();
        dovecot.addRecent(QStringLiteral("bernd"), 2);
        mailProgram(QStringLiteral("bernd"), {QStringLiteral("select")});
        mailProgram(QStringLiteral("dora"), {"recreate:Archiv", "append:Archiv", "append:Archiv"});
        start();
        QCOMPARE(check(), (QList<int>{2, 0}));
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(env->path(QStringLiteral("data/Abfragestand.json"))) & others, QFile::Permissions());
        mailProgram(QStringLiteral("dora"), {"append:Archiv"});
        QCOMPARE(check(), (QList<int>{0, 1}));
    }

    void countsOverEncryptedConnections_data() {
        QTest::addColumn<qint16>("encryption");
        QTest::addColumn<QString>("firstSteps");
        QTest::newRow("SSL/TLS") << qint16(2) << QStringLiteral("Connecting|TLS|*|A001 LOGIN");
        QTest::newRow("STARTTLS") << qint16(1) << QStringLiteral("Connecting|*|A000 STARTTLS|A000 OK|TLS|A001 LOGIN");
    }
    void countsOverEncryptedConnections() {
        QFETCH(qint16, encryption);
        QFETCH(QString, firstSteps);
        const quint16 port = encryption == 2 ? dovecot.tlsPort() : dovecot.port();
        add("maria", "geheim", "INBOX", port).Verschluesselung = encryption;
        QCOMPARE(check(), QList<int>{3});
        QStringList steps;
        for (const QString& entry : protocol.filter(QRegularExpression(QStringLiteral("^(Connecting|TLS 1\\.[23], \\S|\\* OK|A00[01] )"))))
            steps << entry.section(QLatin1Char(' '), 0, entry.startsWith(QLatin1String("A00")) ? 1 : 0);
        QCOMPARE(steps.mid(0, firstSteps.count('|') + 1).join('|'), firstSteps);
    }

    // A refused certificate gets no LOGIN, fails the account, logs why in German and is offered for
    // trust; a trusted fingerprint accepts exactly that certificate, the server's next one fails
    // again. (A self-signed one over SSL/TLS: tst_forms and tst_program.)
    void refusedAndTrustedCertificates() {
        QVERIFY2(dovecot.useCertificate(Cert::WrongHost), qPrintable(dovecot.errorString()));
        RecordingRelay relay(dovecot.port());
        add("maria", "geheim", "INBOX", relay.port()).Verschluesselung = 1;
        QCOMPARE(check(), QList<int>{-1});
        QCOMPARE(Accounts[1].CheckFailure, CheckCycle::CertificateRefused);
        QVERIFY(protocol.filter(QStringLiteral("A001")).isEmpty());
        const QString log = QString::fromUtf8(env->read(QStringLiteral("error.log")));
        QVERIFY2(log.contains(QStringLiteral("Zertifikat nicht vertrauenswürdig, Account maria@example.org: ")), qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("Name des Hosts")), qPrintable(log));
        QCOMPARE(cycle->RejectedCertificates().size(), 1);
        QCOMPARE(cycle->RejectedCertificates().at(0).certificate, dovecot.certificate());

        QVERIFY2(dovecot.useCertificate(Cert::SelfSigned), qPrintable(dovecot.errorString()));
        Accounts[1].Zertifikat = Tls::Fingerprint(dovecot.certificate()).toLower();
        QCOMPARE(check(), QList<int>{3});
        // On the wire, refused or trusted: STARTTLS in plain text, then only TLS records, the password inside them.
        const QByteArray wire = relay.fromClient();
        QVERIFY(wire.startsWith("A000 STARTTLS\r\n\x16"));
        QCOMPARE(wire.count("A000 STARTTLS\r\n\x16"), 2);
        QVERIFY(!wire.contains("geheim") && !wire.contains("LOGIN"));

        QVERIFY2(dovecot.useCertificate(Cert::OtherSelfSigned), qPrintable(dovecot.errorString()));
        QCOMPARE(check(), QList<int>{-1});
        QCOMPARE(cycle->RejectedCertificates().at(0).certificate, dovecot.certificate());
    }
};

QTEST_GUILESS_MAIN(TestCheckDovecot)
#include "tst_checkdovecot.moc"
