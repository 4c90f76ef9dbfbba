#include "check/checkcycle.h"
#include "check/winsock.h"
#include "core/account.h"
#include "core/translation.h"
#include "dovecotserver.h"
#include "recordingrelay.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QtTest>
#include <memory>

using Cert = DovecotServer::Certificate;
Q_DECLARE_METATYPE(DovecotServer::Certificate)

// Encrypted checks: SSL/TLS and STARTTLS against a private Dovecot whose certificates come from a
// test authority that only this test's socket trusts; refusals on the wire of scripted servers.
class TestCheckTls : public QObject {
    Q_OBJECT
    DovecotServer dovecot;
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    QStringList protocol;
    int alerts = 0;

    Account& add(qint16 encryption, quint16 port, const QString& fingerprint = QString()) {
        Account account = TestAccount(QStringLiteral("maria"), port, QStringLiteral("geheim"));
        account.Verschluesselung = encryption;
        account.Zertifikat = fingerprint;
        Accounts.append(account);
        return Accounts.last();
    }
    quint16 dovecotPort(qint16 encryption) const { return encryption == 2 ? dovecot.tlsPort() : dovecot.port(); }
    void check(int timeout = 20000) {
        cycle->CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, timeout);
        alerts = 0;
    }
    void useCertificate(Cert certificate) {
        QVERIFY2(dovecot.useCertificate(certificate), qPrintable(dovecot.errorString() + dovecot.log()));
    }

private slots:
    void initTestCase() {
        QVERIFY(InstallGermanTranslation());
        QVERIFY2(dovecot.start({{"maria", "geheim", 3}}), qPrintable(dovecot.errorString()));
    }
    void init() {
        env = std::make_unique<TestEnvironment>();
        protocol.clear();
        alerts = 0;
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, 5000});
        QSslConfiguration trustTestAuthority = QSslConfiguration::defaultConfiguration();
        trustTestAuthority.setCaCertificates({dovecot.authority()});
        cycle->Winsock1()->SetSslConfiguration(trustTestAuthority);
        cycle->SetProtocolSink([this](const QString& text) { protocol << text; });
        cycle->SetAlertDispatcher([this] { ++alerts; });
    }
    void cleanup() {
        if (QTest::currentTestFailed())
            qInfo("%s\n%s", qPrintable(protocol.join('\n')), qPrintable(dovecot.log().right(2000)));
        cycle.reset();
        env.reset();
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
        useCertificate(Cert::AuthoritySigned);
        add(encryption, dovecotPort(encryption));
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        QVERIFY(Accounts[1].CheckFailure.isEmpty());
        QStringList steps;
        for (const QString& entry : protocol.filter(QRegularExpression(QStringLiteral("^(Connecting|TLS 1\\.[23], \\S|\\* OK|A00[01] )"))))
            steps << entry.section(QLatin1Char(' '), 0, entry.startsWith(QLatin1String("A00")) ? 1 : 0);
        QCOMPARE(steps.mid(0, firstSteps.count('|') + 1).join('|'), firstSteps);
    }

    // Nothing of the password leaves before the handshake; a refused certificate gets no LOGIN,
    // fails the account, logs why in German and is offered for trust.
    void refusedCertificates_data() {
        QTest::addColumn<Cert>("certificate");
        QTest::addColumn<qint16>("encryption");
        QTest::addColumn<QString>("error");
        QTest::newRow("self-signed, SSL/TLS") << Cert::SelfSigned << qint16(2) << QStringLiteral("selbstsigniert");
        QTest::newRow("wrong host, STARTTLS") << Cert::WrongHost << qint16(1) << QStringLiteral("Name des Hosts");
    }
    void refusedCertificates() {
        QFETCH(Cert, certificate);
        QFETCH(qint16, encryption);
        QFETCH(QString, error);
        useCertificate(certificate);
        RecordingRelay relay(dovecotPort(encryption));
        add(encryption, relay.port());
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(-1));
        QCOMPARE(Accounts[1].CheckFailure, CheckCycle::CertificateRefused);
        QVERIFY(!relay.fromClient().contains("geheim"));
        QVERIFY(protocol.filter(QStringLiteral("A001")).isEmpty());
        const QString log = QString::fromUtf8(env->read(QStringLiteral("error.log")));
        QVERIFY2(log.contains(QStringLiteral("Zertifikat nicht vertrauenswürdig, Account maria@example.org: ")), qPrintable(log));
        QVERIFY2(log.contains(error), qPrintable(log));
        QCOMPARE(cycle->RejectedCertificates().size(), 1);
        QCOMPARE(cycle->RejectedCertificates().at(0).certificate, dovecot.certificate());
    }

    // A trusted fingerprint accepts exactly that certificate; the server's next one fails again.
    void trustedFingerprintAcceptsOnlyItsCertificate() {
        useCertificate(Cert::SelfSigned);
        RecordingRelay relay(dovecot.port());
        add(1, relay.port(), Tls::Fingerprint(dovecot.certificate()).toLower());
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        // On the wire: STARTTLS in plain text, then only TLS records, the password inside them.
        const QByteArray wire = relay.fromClient();
        const qsizetype handshake = wire.indexOf("A000 STARTTLS\r\n") + 15;
        QCOMPARE(handshake, 15);
        QCOMPARE(wire.at(handshake), char(0x16));
        QVERIFY(!wire.contains("geheim") && !wire.contains("LOGIN"));

        useCertificate(Cert::OtherSelfSigned);
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(-1));
        QCOMPARE(cycle->RejectedCertificates().at(0).certificate, dovecot.certificate());
    }

    // Servers that do not give what the account asks for never see a LOGIN.
    void noLoginWithoutEncryption_data() {
        QTest::addColumn<qint16>("encryption");
        QTest::addColumn<QList<QByteArray>>("startTlsReply");
        QTest::addColumn<QString>("failure");
        const QString broken = QStringLiteral("Verbindungsfehler");
        QTest::newRow("STARTTLS refused") << qint16(1) << QList<QByteArray>{"A000 NO not now\r\n"} << CheckCycle::NoStartTls;
        QTest::newRow("STARTTLS unknown") << qint16(1) << QList<QByteArray>{"* BAD\r\nA000 BAD what?\r\n"} << CheckCycle::NoStartTls;
        QTest::newRow("STARTTLS unanswered") << qint16(1) << QList<QByteArray>{} << CheckCycle::NoStartTls;
        // The handshake hits plain text: no encryption, the account fails at once.
        QTest::newRow("SSL/TLS to a plain server") << qint16(2) << QList<QByteArray>{} << broken;
        // The plain text after the consent is dropped; the handshake gets no answer: the watchdog.
        QTest::newRow("STARTTLS agreed, no handshake")
            << qint16(1) << QList<QByteArray>{"A000 OK go ahead\r\n* OK plain text\r\n"} << QStringLiteral("Zeitüberschreitung");
        // Logged in before TLS: STARTTLS can no longer be asked for, and nothing goes on in plain text.
        QTest::newRow("STARTTLS, PREAUTH greeting") << qint16(1) << QList<QByteArray>{} << CheckCycle::NoStartTls;
    }
    void noLoginWithoutEncryption() {
        QFETCH(qint16, encryption);
        QFETCH(QList<QByteArray>, startTlsReply);
        QFETCH(QString, failure);
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, 300});
        cycle->SetAlertDispatcher([this] { ++alerts; });
        ScriptedImapServer server;
        server.setReply("A000", startTlsReply);
        if (QByteArray(QTest::currentDataTag()).contains("PREAUTH"))
            server.setGreeting({"* PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] Hallo\r\n"});
        add(encryption, server.port());
        check(5000);
        QCOMPARE(Accounts[1].NewMailCount, qint16(-1));
        QCOMPARE(Accounts[1].CheckFailure, failure);
        for (const QByteArray& command : server.commands())
            QVERIFY2(!command.contains("LOGIN") && !command.contains("EXAMINE") && !command.contains("geheim"), command.constData());
    }
};

QTEST_GUILESS_MAIN(TestCheckTls)
#include "tst_checktls.moc"
