#include "check/imapdialogue.h"

#include <QtTest>

using namespace Imap;

Q_DECLARE_METATYPE(Imap::LineKind)

class TestImapDialogue : public QObject {
    Q_OBJECT
private slots:
    void protocolPieces_data() {
        QTest::addColumn<QByteArray>("arrival");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("final CR LF gives an empty last entry") << QByteArray("* OK ready\r\nA001 OK\r\n") << QStringList{"* OK ready", "A001 OK", ""};
        QTest::newRow("lone CR and LF do not split") << QByteArray("a\rb\nc") << QStringList{"a\rb\nc"};
        QTest::newRow("text after the last CR LF") << QByteArray("K Logged in\r\n* 3 REC") << QStringList{"K Logged in", "* 3 REC"};
        QTest::newRow("each piece by itself UTF-8 or else Latin-1")
            << QByteArray("\xff\xfe\r\n\xc3\xa4") << QStringList{QString::fromLatin1("\xff\xfe"), QString::fromUtf8("ä")};
        QTest::newRow("a long arrival is shortened") << QByteArray(100000, 'x') + "\r\n"
                                                    << QStringList{QString(MaxProtocolBytes, 'x'),
                                                                   QString::fromUtf8("[... gekürzt, 100002 Bytes empfangen]")};
    }
    void protocolPieces() {
        QFETCH(QByteArray, arrival);
        QFETCH(QStringList, pieces);
        QCOMPARE(ProtocolPieces(arrival), pieces);
    }

    void classify_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<int>("statusOrRecent");  // a tagged line's status, a RECENT line's count
        QTest::addColumn<bool>("loginDisabled");
        const int ok = int(Status::Ok), no = int(Status::No), bad = int(Status::Bad);
        QTest::newRow("login OK") << QByteArray("A001 OK [CAPABILITY IMAP4rev1] Logged in") << LineKind::Tagged << QByteArray("A001") << ok << false;
        QTest::newRow("tagged NO") << QByteArray("A001 NO [AUTHENTICATIONFAILED] failed.") << LineKind::Tagged << QByteArray("A001") << no << false;
        QTest::newRow("tagged BAD, lower case") << QByteArray("a002 bad what") << LineKind::Tagged << QByteArray("A002") << bad << false;
        QTest::newRow("status word must be whole") << QByteArray("A004 OKAY") << LineKind::Other << QByteArray() << 0 << false;
        QTest::newRow("tag not at the start") << QByteArray("* BYE A004 OK") << LineKind::Bye << QByteArray() << 0 << false;
        QTest::newRow("greeting with LOGINDISABLED")
            << QByteArray("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready") << LineKind::Greeting << QByteArray() << 0 << true;
        QTest::newRow("CAPABILITY reply") << QByteArray("* CAPABILITY IMAP4rev1 LOGINDISABLED") << LineKind::Other << QByteArray() << 0 << true;
        QTest::newRow("the word in a text is no capability") << QByteArray("* OK LOGINDISABLED soon") << LineKind::Greeting << QByteArray() << 0 << false;
        QTest::newRow("huge count capped") << QByteArray("* 99999999999999999999 RECENT") << LineKind::Recent << QByteArray() << 32767 << false;
        QTest::newRow("RECENT inside a text") << QByteArray("* OK [UNSEEN 1] 3 RECENT messages") << LineKind::Greeting << QByteArray() << 0 << false;
    }
    void classify() {
        QFETCH(QByteArray, line);
        QFETCH(LineKind, kind);
        QFETCH(QByteArray, tag);
        QFETCH(int, statusOrRecent);
        QFETCH(bool, loginDisabled);
        const LineMeaning m = Classify(line);
        QCOMPARE(m.kind, kind);
        QCOMPARE(m.tag, tag);
        QCOMPARE(kind == LineKind::Recent ? int(m.recent) : kind == LineKind::Tagged ? int(m.status) : 0, statusOrRecent);
        QCOMPARE(m.loginDisabled, loginDisabled);
    }

    // Literal data is no line, wherever the arrivals split it; an endless line costs bounded memory.
    void linesAndLiterals_data() {
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("literal hides a count") << QList<QByteArray>{"* 1 FETCH (BODY[] {13}\r\n* 77 RECENT\r\n)\r\n* 2 RECENT\r\n"}
                                               << QList<QByteArray>{"* 1 FETCH (BODY[] {13}", ")", "* 2 RECENT"};
        QTest::newRow("literal split over arrivals") << QList<QByteArray>{"* X {5", "}\r\nab", "c\r\n", ")\r\n"}
                                                     << QList<QByteArray>{"* X {5}", ")"};
        QTest::newRow("non-synchronising literal") << QList<QByteArray>{"* X {2+}\r\nAB tail\r\n"} << QList<QByteArray>{"* X {2+}", " tail"};
        QTest::newRow("braces mid-line announce nothing") << QList<QByteArray>{"* OK {3} x\r\n* 1 RECENT\n"}
                                                          << QList<QByteArray>{"* OK {3} x", "* 1 RECENT"};
        QTest::newRow("endless line dropped") << QList<QByteArray>{QByteArray(40000, 'x'), QByteArray(40000, 'y'), "z\r\nA001 OK\r\n"}
                                              << QList<QByteArray>{"z", "A001 OK"};
    }
    void linesAndLiterals() {
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QList<QByteArray>, lines);
        LineAssembler assembler;
        QList<QByteArray> got;
        for (const QByteArray& arrival : arrivals)
            got += assembler.Add(arrival);
        QCOMPARE(got, lines);
    }

    // A stored value as it goes out: as a password in LOGIN, or as the mailbox of EXAMINE.
    void wireForm_data() {
        QTest::addColumn<bool>("mailbox");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("wire");
        auto password = [](const char* name, const QString& value, const QByteArray& wire) {
            QTest::newRow(name) << false << value << wire;
        };
        auto mailbox = [](const char* name, const QString& value, const QByteArray& wire) {
            QTest::newRow(name) << true << value << wire;
        };
        password("atom unchanged", "maria@example.org", "maria@example.org");
        password("blank", "two words", "\"two words\"");
        password("empty", "", "\"\"");
        password("quote and backslash escaped", "a\"b\\c", "\"a\\\"b\\\\c\"");
        password("braces", "{5}", "\"{5}\"");
        password("UTF-8", QString::fromUtf8("grüß"), "\"gr\xc3\xbc\xc3\x9f\"");
        password("CR LF dropped", "secret\r\n", "secret");
        password("no injected command", "x\r\nA002 DELETE INBOX", "\"xA002 DELETE INBOX\"");
        password("already quoted goes out as it is", "\"Sent Items\"", "\"Sent Items\"");
        password("quoted with escapes", "\"a\\\"b\"", "\"a\\\"b\"");
        password("a lone quote inside is quoted again", "\"a\"b\"", "\"\\\"a\\\"b\\\"\"");
        password("bad escape is quoted again", "\"a\\b\"", "\"\\\"a\\\\b\\\"\"");
        mailbox("ASCII with a blank", "Sent Items", "\"Sent Items\"");
        mailbox("umlaut", QString::fromUtf8("Entwürfe"), "Entw&APw-rfe");
        mailbox("comma in modified base64", QString::fromUtf8("台北"), "&U,BTFw-");
        mailbox("stored in modified UTF-7", "INBOX.Entw&APw-rfe", "INBOX.Entw&APw-rfe");
        mailbox("stored quoted", "\"Sent Items\"", "\"Sent Items\"");
        mailbox("stored escaped ampersand", "R&-D", "R&-D");
        mailbox("ampersand without end", "A&B", "A&-B");
        mailbox("sequence hiding plain ASCII", "&AGE-", "&-AGE-");
        mailbox("odd leftover bits", "&APx-", "&-APx-");
    }
    void wireForm() {
        QFETCH(bool, mailbox);
        QFETCH(QString, value);
        QFETCH(QByteArray, wire);
        if (mailbox)
            QCOMPARE(ExamineCommand(value), "A002 EXAMINE " + wire + "\r\n");
        else
            QCOMPARE(LoginCommand(QString::fromUtf8("jürgen"), value), "A001 LOGIN \"j\xc3\xbcrgen\" " + wire + "\r\n");
    }
};

QTEST_GUILESS_MAIN(TestImapDialogue)
#include "tst_imapdialogue.moc"
