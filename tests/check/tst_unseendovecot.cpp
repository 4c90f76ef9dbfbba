// Counting unseen mail since the last check against a private Dovecot, with a second client in the
// test doing what the user's own mail program does: selecting the mailbox read-write (which takes the
// RECENT flag), marking messages read, appending, deleting and re-creating a mailbox.
#include "check/checkcycle.h"
#include "core/account.h"
#include "core/funktionen.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QProcess>
#include <QtTest>
#include <memory>

namespace {
const char* const MailProgram = R"(
import imaplib, sys
m = imaplib.IMAP4(sys.argv[1], int(sys.argv[2]))
m.login(sys.argv[3], "geheim")
for verb, _, box in (action.partition(":") for action in sys.argv[4:]):
    if verb in ("select", "seen") and int(m.select(box or "INBOX")[1][0]) and verb == "seen":
        m.store("1:*", "+FLAGS", "\\Seen")
    if verb == "recreate":
        m.delete(box), m.create(box)
    if verb == "append":
        m.append(box, None, None, b"Subject: Neu\r\n\r\nHallo.\r\n")
m.logout()
)";
}  // namespace

class TestUnseenDovecot : public QObject {
    Q_OBJECT
    DovecotServer dovecot;
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    QStringList protocol;
    int alerts = 0;

    void add(const QString& user, qint16 zaehlweise, const QString& mailbox = QStringLiteral("INBOX")) {
        Accounts.append(TestAccount(user, dovecot.port(), QStringLiteral("geheim"), mailbox));
        Accounts.last().Zaehlweise = zaehlweise;
    }
    // The program starts (again): a new cycle that knows only what it reads from its file.
    void start() {
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, 5000});
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
        const bool started = dovecot.start({{"anna", "geheim", 2}, {"bernd", "geheim", 1}, {"dora", "geheim", 0, {{"Archiv", 1}}}});
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

    // The same mailbox counted both ways. Once another client has selected it, RECENT is 0: the old
    // way misses new mail, the new way counts it, once. Mail read elsewhere before the check is not
    // counted.
    void anotherClientBeforeTheCheck() {
        add(QStringLiteral("anna"), 0);
        add(QStringLiteral("anna"), 1);
        QCOMPARE(check(), (QList<int>{2, 0}));  // the first check learns the mailbox
        dovecot.addRecent(QStringLiteral("anna"), 1);
        mailProgram(QStringLiteral("anna"), {QStringLiteral("select")});
        QCOMPARE(check(), (QList<int>{0, 1}));
        QCOMPARE(check(), (QList<int>{0, 0}));
        dovecot.addRecent(QStringLiteral("anna"), 2);
        mailProgram(QStringLiteral("anna"), {QStringLiteral("seen")});
        dovecot.addRecent(QStringLiteral("anna"), 1);
        QCOMPARE(check(), (QList<int>{1, 1}));
    }

    // Saving the settings (with the dialog's reload) leaves what is remembered alone and the store
    // holds none of it. Mail that arrives while the program is stopped is counted at the next start.
    // The file is the user's alone.
    void rememberedAcrossSavesAndRestarts() {
        add(QStringLiteral("bernd"), 1);
        check();
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
        start();
        QCOMPARE(check(), QList<int>{2});
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(env->path(QStringLiteral("data/Abfragestand.json"))) & others, QFile::Permissions());
    }

    // A mailbox deleted and created anew has another UIDVALIDITY: its messages are not counted
    // (their UIDs start over), the check does not fail, and the next one counts again.
    void changedUidValidity() {
        add(QStringLiteral("dora"), 1, QStringLiteral("Archiv"));
        check();
        mailProgram(QStringLiteral("dora"), {"recreate:Archiv", "append:Archiv", "append:Archiv"});
        QCOMPARE(check(), QList<int>{0});
        QVERIFY(protocol.filter(QStringLiteral("TIMEOUT")).isEmpty());
        mailProgram(QStringLiteral("dora"), {"append:Archiv"});
        QCOMPARE(check(), QList<int>{1});
    }
};

QTEST_GUILESS_MAIN(TestUnseenDovecot)
#include "tst_unseendovecot.moc"
