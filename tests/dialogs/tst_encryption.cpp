// The encryption choice and the trusted certificate in the account editor, and the window in which
// the user trusts a certificate that a check refused.

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
#include <QGroupBox>
#include <QLabel>
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

    // SSL/TLS brings 993 in for 143 and 143 back when left; any other port stays.
    void choiceMovesTheUsualPorts_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("143 to SSL/TLS") << "143" << 0 << 2 << "993";
        QTest::newRow("993 from SSL/TLS to STARTTLS") << "993" << 2 << 1 << "143";
        QTest::newRow("993 from SSL/TLS to none") << "993" << 2 << 0 << "143";
        QTest::newRow("own port to SSL/TLS") << "1143" << 0 << 2 << "1143";
        QTest::newRow("own port from SSL/TLS") << "9993" << 2 << 0 << "9993";
        QTest::newRow("993 between the others") << "993" << 0 << 1 << "993";
    }
    void choiceMovesTheUsualPorts() {
        QFETCH(QString, port);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        std::unique_ptr<formAccount> editor(new formAccount);
        // A new account proposes SSL/TLS on 993.
        QCOMPARE(editor->Combo2->currentText() + ' ' + editor->Text3->text(), QStringLiteral("SSL/TLS 993"));
        editor->Combo2->setCurrentIndex(from);
        editor->Text3->setText(port);
        editor->Combo2->setCurrentIndex(to);
        QCOMPARE(editor->Text3->text(), expected);
    }

    // Both added rows fit: no two visible controls overlap, each lies inside its parent, and the
    // tab order reaches every control that takes focus.
    void editorRowsDoNotOverlap() {
        std::unique_ptr<formAccount> editor(new formAccount);
        editor->show();
        QList<QWidget*> shown;
        for (QWidget* w : editor->findChildren<QWidget*>(Qt::FindDirectChildrenOnly) + editor->Frame2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible() && w != editor->Shape1 && w != editor->Label1)
                shown << w;
        for (QWidget* w : shown) {
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(w->objectName()));
            for (QWidget* other : shown)
                QVERIFY2(w == other || w->parentWidget() != other->parentWidget() || !w->geometry().intersects(other->geometry()),
                         qPrintable(w->objectName() + " / " + other->objectName()));
        }
        QSet<QWidget*> reached;
        for (QWidget* w = editor->Text1->nextInFocusChain(); w != editor->Text1; w = w->nextInFocusChain())
            reached << w;
        for (QWidget* w : QList<QWidget*>{editor->Combo1, editor->Combo2, editor->Text9, editor->Command8, editor->Text5, editor->Command7})
            QVERIFY2(reached.contains(w), qPrintable(w->objectName()));
    }

    // Editing shows the stored choice without touching the port; forgetting the certificate and
    // saving leaves the choice; a copy takes both over.
    void editorKeepsAndForgetsTheCertificate() {
        Accounts = QVector<Account>(1);
        Account a{"a@example.org", "imap.example.org", 143, "a", "pw", "INBOX", 0, {}, 0, false, 2, "AB:CD"};
        Accounts << a;
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

        Accounts[1].Zertifikat = QStringLiteral("EF");
        OnNextModal(&scope, [&](QWidget* w) {
            auto* e = qobject_cast<formAccount*>(w);
            e->Text5->setText(QStringLiteral("pw"));
            e->Command2->click();
        });
        formAccount::CopyAccount(nullptr, 1);
        QCOMPARE(AccountCount(), 2);
        QCOMPARE(QString::number(Accounts[2].Verschluesselung) + Accounts[2].Zertifikat, QStringLiteral("2EF"));
    }

    // A self-signed certificate fails the check; the window shows why and whom, its button trusts
    // the certificate at once (memory and store), and the next check counts.
    void trustingARefusedCertificate() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{"maria", "geheim", 3}}), qPrintable(dovecot.errorString()));
        QVERIFY2(dovecot.useCertificate(DovecotServer::Certificate::SelfSigned), qPrintable(dovecot.errorString()));
        Accounts = QVector<Account>(1);
        Accounts << TestAccount(QStringLiteral("maria"), dovecot.tlsPort(), QStringLiteral("geheim"));
        Accounts[1].Verschluesselung = 2;
        SaveAccounts();
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 5000});
        int cycles = 0;
        QStringList protocol;
        cycle.SetProtocolSink([&](const QString& text) { protocol << text; });
        cycle.SetAlertDispatcher([&] { ++cycles; });
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 1, 20000);
        QVERIFY2(cycle.RejectedCertificates().size() == 1, qPrintable(protocol.join(QLatin1Char('\n'))));

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
