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
        QTest::newRow("two lines ending with CR LF give a third, empty entry")
            << QByteArray("* OK ready\r\nA001 OK done\r\n") << QStringList{"* OK ready", "A001 OK done", ""};
        QTest::newRow("no CR LF is one entry") << QByteArray("A001 O") << QStringList{"A001 O"};
        QTest::newRow("lone CR and lone LF do not split") << QByteArray("a\rb\nc") << QStringList{"a\rb\nc"};
        QTest::newRow("CR LF alone gives two empty entries") << QByteArray("\r\n") << QStringList{"", ""};
        QTest::newRow("text after the last CR LF") << QByteArray("K Logged in\r\n* 3 REC") << QStringList{"K Logged in", "* 3 REC"};
        QTest::newRow("UTF-8 is shown as UTF-8") << QByteArray("* OK Grüße\r\n") << QStringList{QString::fromUtf8("* OK Grüße"), ""};
        QTest::newRow("other 8-bit bytes as Latin-1")
            << QByteArray("* OK Gr\xfc\xdf" "e\r\n") << QStringList{QString::fromLatin1("* OK Gr\xfc\xdf" "e"), ""};
        QTest::newRow("each piece decoded by itself")
            << QByteArray("\xff\xfe\r\n\xc3\xa4") << QStringList{QString::fromLatin1("\xff\xfe"), QString::fromUtf8("ä")};
    }
    void protocolPieces() {
        QFETCH(QByteArray, arrival);
        QFETCH(QStringList, pieces);
        QCOMPARE(ProtocolPieces(arrival), pieces);
    }

    void lineAssembly_data() {
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QByteArray>("pending");
        using L = QList<QByteArray>;
        QTest::newRow("one arrival, two lines") << L{"* CAPABILITY IMAP4rev1\r\nA001 OK Logged in\r\n"}
                                                << L{"* CAPABILITY IMAP4rev1", "A001 OK Logged in"} << QByteArray();
        QTest::newRow("reply split over two arrivals") << L{"A001 O", "K Logged in\r\n"} << L{"A001 OK Logged in"} << QByteArray();
        QTest::newRow("split between CR and LF") << L{"A002 OK done\r", "\n"} << L{"A002 OK done"} << QByteArray();
        QTest::newRow("unfinished line waits") << L{"* 3 RECENT\r\nA002 O"} << L{"* 3 RECENT"} << QByteArray("A002 O");
        QTest::newRow("bare LF ends a line too") << L{"a\nb\r\n"} << L{"a", "b"} << QByteArray();
        QTest::newRow("empty lines are lines") << L{"\r\n\r\n"} << L{"", ""} << QByteArray();
        QTest::newRow("three arrivals for one line") << L{"* 1", "23 REC", "ENT\r\n"} << L{"* 123 RECENT"} << QByteArray();
    }
    void lineAssembly() {
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, pending);
        LineAssembler assembler;
        QList<QByteArray> got;
        for (const QByteArray& arrival : arrivals)
            got += assembler.Add(arrival);
        QCOMPARE(got, lines);
        QCOMPARE(assembler.Pending(), pending);
    }

    void lineAssemblerForgetsOnClearAndOverlongLines() {
        LineAssembler assembler;
        assembler.Add("A001 O");
        assembler.Clear();
        QCOMPARE(assembler.Add("K\r\n"), QList<QByteArray>{"K"});
        assembler.Add(QByteArray(LineAssembler::MaxPending + 1, 'x'));
        QVERIFY(assembler.Pending().isEmpty());
        QCOMPARE(assembler.Add("A004 OK\r\n"), QList<QByteArray>{"A004 OK"});
    }

    void classify_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<int>("recent");
        QTest::newRow("login reply of Dovecot") << QByteArray("A001 OK [CAPABILITY IMAP4rev1 SASL-IR] Logged in") << LineKind::LoginOk << 0;
        QTest::newRow("bare login OK") << QByteArray("A001 OK") << LineKind::LoginOk << 0;
        QTest::newRow("examine reply") << QByteArray("A002 OK [READ-ONLY] Examine completed (0.001 + 0.000 secs).") << LineKind::ExamineOk << 0;
        QTest::newRow("logout reply") << QByteArray("A004 OK Logout completed.") << LineKind::LogoutOk << 0;
        QTest::newRow("tag not at the start") << QByteArray("* BYE A004 OK") << LineKind::Other << 0;
        QTest::newRow("tagged NO") << QByteArray("A001 NO [AUTHENTICATIONFAILED] Authentication failed.") << LineKind::Other << 0;
        QTest::newRow("tagged BAD") << QByteArray("A002 BAD Error in IMAP command") << LineKind::Other << 0;
        QTest::newRow("lower-case tag") << QByteArray("a001 OK") << LineKind::Other << 0;
        QTest::newRow("untagged CAPABILITY") << QByteArray("* CAPABILITY IMAP4rev1 LOGIN-REFERRALS") << LineKind::Other << 0;
        QTest::newRow("one-digit count") << QByteArray("* 9 RECENT") << LineKind::Recent << 9;
        QTest::newRow("zero") << QByteArray("* 0 RECENT") << LineKind::Recent << 0;
        QTest::newRow("three digits are the whole number") << QByteArray("* 123 RECENT") << LineKind::Recent << 123;
        QTest::newRow("highest 16-bit count") << QByteArray("* 32767 RECENT") << LineKind::Recent << 32767;
        QTest::newRow("larger counts are capped") << QByteArray("* 40000 RECENT") << LineKind::Recent << 32767;
        QTest::newRow("huge counts are capped") << QByteArray("* 99999999999999999999 RECENT") << LineKind::Recent << 32767;
        QTest::newRow("trailing blank") << QByteArray("* 5 RECENT ") << LineKind::Recent << 5;
        QTest::newRow("EXISTS is not RECENT") << QByteArray("* 7 EXISTS") << LineKind::Other << 0;
        QTest::newRow("no number") << QByteArray("* RECENT") << LineKind::Other << 0;
        QTest::newRow("not a number") << QByteArray("* x5 RECENT") << LineKind::Other << 0;
        QTest::newRow("RECENT inside a text") << QByteArray("* OK [UNSEEN 1] 3 RECENT messages") << LineKind::Other << 0;
    }
    void classify() {
        QFETCH(QByteArray, line);
        QFETCH(LineKind, kind);
        QFETCH(int, recent);
        const LineMeaning meaning = Classify(line);
        QCOMPARE(meaning.kind, kind);
        if (kind == LineKind::Recent)
            QCOMPARE(int(meaning.recent), recent);
    }

    void argument_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("plain value unchanged") << QByteArray("maria") << QByteArray("maria");
        QTest::newRow("address with @ and dots") << QByteArray("maria@example.org") << QByteArray("maria@example.org");
        QTest::newRow("resp-special ] is an atom char") << QByteArray("a]b") << QByteArray("a]b");
        QTest::newRow("blank") << QByteArray("two words") << QByteArray("\"two words\"");
        QTest::newRow("empty") << QByteArray() << QByteArray("\"\"");
        QTest::newRow("double quote escaped") << QByteArray("say \"hi\"") << QByteArray("\"say \\\"hi\\\"\"");
        QTest::newRow("backslash escaped") << QByteArray("a\\b") << QByteArray("\"a\\\\b\"");
        QTest::newRow("parentheses") << QByteArray("(x)") << QByteArray("\"(x)\"");
        QTest::newRow("braces") << QByteArray("{5}") << QByteArray("\"{5}\"");
        QTest::newRow("percent") << QByteArray("50%") << QByteArray("\"50%\"");
        QTest::newRow("asterisk") << QByteArray("*") << QByteArray("\"*\"");
        QTest::newRow("8-bit") << QByteArray("gr\xc3\xbc\xc3\x9f") << QByteArray("\"gr\xc3\xbc\xc3\x9f\"");
        QTest::newRow("tab") << QByteArray("a\tb") << QByteArray("\"a\tb\"");
        QTest::newRow("CR LF dropped, rest an atom") << QByteArray("secret\r\n") << QByteArray("secret");
        QTest::newRow("injected command cannot escape")
            << QByteArray("x\r\nA002 DELETE INBOX") << QByteArray("\"xA002 DELETE INBOX\"");
        QTest::newRow("NUL dropped") << QByteArray("a\0b", 3) << QByteArray("ab");
    }
    void argument() {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, wire);
        QCOMPARE(Argument(value), wire);
        QVERIFY(!Argument(value).contains('\r'));
        QVERIFY(!Argument(value).contains('\n'));
    }

    void mailboxName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("ASCII unchanged") << "INBOX" << QByteArray("INBOX");
        QTest::newRow("blank stays a blank") << "Sent Items" << QByteArray("Sent Items");
        QTest::newRow("umlaut") << QString::fromUtf8("Entwürfe") << QByteArray("Entw&APw-rfe");
        QTest::newRow("ampersand") << "A&B" << QByteArray("A&-B");
        QTest::newRow("run of non-ASCII in one shift") << QString::fromUtf8("Gelöschte Elemente äöü")
                                                        << QByteArray("Gel&APY-schte Elemente &AOQA9gD8-");
        QTest::newRow("modified base64 uses comma")
            << QString::fromUtf8("~peter/mail/台北/日本語") << QByteArray("~peter/mail/&U,BTFw-/&ZeVnLIqe-");
        QTest::newRow("character outside the BMP") << QString::fromUtf8("\U0001F600") << QByteArray("&2D3eAA-");
    }
    void mailboxName() {
        QFETCH(QString, name);
        QFETCH(QByteArray, encoded);
        QCOMPARE(EncodeMailboxName(name), encoded);
    }

    void commands_data() {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("mailbox");
        QTest::addColumn<QByteArray>("login");
        QTest::addColumn<QByteArray>("examine");
        QTest::newRow("plain values as before") << "maria" << "geheim" << "INBOX"
                                               << QByteArray("A001 LOGIN maria geheim\r\n") << QByteArray("A002 EXAMINE INBOX\r\n");
        QTest::newRow("password with a blank, mailbox with a blank")
            << "maria" << "zwei Worte" << "Sent Items"
            << QByteArray("A001 LOGIN maria \"zwei Worte\"\r\n") << QByteArray("A002 EXAMINE \"Sent Items\"\r\n");
        QTest::newRow("umlauts: UTF-8 login, modified UTF-7 mailbox")
            << QString::fromUtf8("jürgen") << QString::fromUtf8("Käse") << QString::fromUtf8("Entwürfe")
            << QByteArray("A001 LOGIN \"j\xc3\xbcrgen\" \"K\xc3\xa4se\"\r\n") << QByteArray("A002 EXAMINE Entw&APw-rfe\r\n");
        QTest::newRow("empty values are quoted") << "" << "" << ""
                                                 << QByteArray("A001 LOGIN \"\" \"\"\r\n") << QByteArray("A002 EXAMINE \"\"\r\n");
    }
    void commands() {
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(QString, mailbox);
        QFETCH(QByteArray, login);
        QFETCH(QByteArray, examine);
        QCOMPARE(LoginCommand(username, password), login);
        QCOMPARE(ExamineCommand(mailbox), examine);
        QCOMPARE(LogoutCommand(), QByteArray("A004 LOGOUT\r\n"));
        QCOMPARE(LoginEntry(username), "A001 LOGIN " + username);
        QCOMPARE(ExamineEntry(mailbox), "A002 EXAMINE " + mailbox);
        QCOMPARE(LogoutEntry(), QStringLiteral("A004 LOGOUT"));
    }
};

QTEST_GUILESS_MAIN(TestImapDialogue)
#include "tst_imapdialogue.moc"
