// The account editor's trusted certificate, and the window in which the user trusts a refused one.

#include "check/checkcycle.h"
#include "check/winsock.h"
#include "core/funktionen.h"
#include "core/translation.h"
#include "dialogs/formaccount.h"
#include "dialogs/formzertifikat.h"
#include "dovecotserver.h"
#include "modaldriver.h"
#include "uitestenvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

class TestEncryption : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env_;

private slots:
    void initTestCase() { QVERIFY(InstallGermanTranslation()); }
    void init() { env_ = std::make_unique<UiTestEnvironment>(); }
    void cleanup() { env_.reset(); }

    // Editing shows the stored choice and port; forgetting the certificate and saving keeps the choice.
    void editorKeepsAndForgetsTheCertificate() {
        Accounts << Account{"a@example.org", "imap.example.org", 143, "a", "pw", "INBOX", 0, {}, 0, false, 2, "AB:CD"};
        QStringList seen;
        QObject scope;
        OnNextModal(&scope, [&](QWidget* w) {
            auto* e = qobject_cast<formAccount*>(w);
            seen << e->Combo2->currentText() << e->Text3->text() << e->Text9->text();
            e->Command8->click();
            seen << e->Text9->text();
            e->Command2->click();
        });
        formAccount::EditAccount(nullptr, 1);
        QCOMPARE(seen, (QStringList{"SSL/TLS", "143", "AB:CD", "keines"}));
        QCOMPARE(Accounts[1].Verschluesselung, qint16(2));
        QVERIFY(Accounts[1].Zertifikat.isEmpty());
    }

    // A self-signed certificate fails the check; the window shows why and whom, its button trusts
    // the certificate at once (memory and store), and the next check counts.
    void trustingARefusedCertificate() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{"maria", "geheim", 3}}), qPrintable(dovecot.errorString()));
        QVERIFY2(dovecot.useCertificate(DovecotServer::Certificate::SelfSigned), qPrintable(dovecot.errorString()));
        Accounts << TestAccount(QStringLiteral("maria"), dovecot.tlsPort(), QStringLiteral("geheim"));
        Accounts[1].Verschluesselung = 2;
        SaveAccounts();
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 5000});
        int cycles = 0;
        cycle.SetAlertDispatcher([&] { ++cycles; });
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 1, 20000);
        QCOMPARE(cycle.RejectedCertificates().size(), 1);

        auto* window = new formZertifikat(cycle.RejectedCertificates().at(0));
        const QString fingerprint = Tls::Fingerprint(dovecot.certificate());
        QCOMPARE(window->windowTitle(), QStringLiteral("Zertifikat prüfen"));
        const QString details = window->Text1->toPlainText();
        for (const QString& part : {QStringLiteral("127.0.0.1:%1").arg(dovecot.tlsPort()), QStringLiteral("selbstsigniert"),
                                    QStringLiteral("Ausgestellt von: 127.0.0.1"), fingerprint})
            QVERIFY2(details.contains(part), qPrintable(details));
        window->Command1->click();
        QCOMPARE(Accounts[1].Zertifikat, fingerprint);
        Accounts[1].Zertifikat.clear();
        LoadAccounts();
        QCOMPARE(Accounts[1].Zertifikat, fingerprint);
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 2, 20000);
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
    }
};

QTEST_MAIN(TestEncryption)
#include "tst_encryption.moc"
