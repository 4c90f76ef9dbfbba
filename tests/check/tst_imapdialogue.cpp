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
        QTest::newRow("UTF-8") << QByteArray("* OK Grüße\r\n") << QStringList{QString::fromUtf8("* OK Grüße"), ""};
        QTest::newRow("each piece by itself UTF-8 or else Latin-1")
            << QByteArray("\xff\xfe\r\n\xc3\xa4") << QStringList{QString::fromLatin1("\xff\xfe"), QString::fromUtf8("ä")};
    }
    void protocolPieces() {
        QFETCH(QByteArray, arrival);
        QFETCH(QStringList, pieces);
        QCOMPARE(ProtocolPieces(arrival), pieces);
    }

    void classify_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<int>("recent");
        QTest::newRow("login OK") << QByteArray("A001 OK [CAPABILITY IMAP4rev1] Logged in") << LineKind::LoginOk << 0;
        QTest::newRow("logout OK") << QByteArray("A004 OK") << LineKind::LogoutOk << 0;
        QTest::newRow("tag not at the start") << QByteArray("* BYE A004 OK") << LineKind::Other << 0;
        QTest::newRow("tagged NO") << QByteArray("A001 NO [AUTHENTICATIONFAILED] failed.") << LineKind::Other << 0;
        QTest::newRow("huge count capped") << QByteArray("* 99999999999999999999 RECENT") << LineKind::Recent << 32767;
        QTest::newRow("RECENT inside a text") << QByteArray("* OK [UNSEEN 1] 3 RECENT messages") << LineKind::Other << 0;
    }
    void classify() {
        QFETCH(QByteArray, line);
        QFETCH(LineKind, kind);
        QFETCH(int, recent);
        QCOMPARE(Classify(line).kind, kind);
        QCOMPARE(int(Classify(line).recent), recent);
    }

    void argument_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("atom unchanged") << QByteArray("maria@example.org") << QByteArray("maria@example.org");
        QTest::newRow("blank") << QByteArray("two words") << QByteArray("\"two words\"");
        QTest::newRow("empty") << QByteArray() << QByteArray("\"\"");
        QTest::newRow("quote and backslash escaped") << QByteArray("a\"b\\c") << QByteArray("\"a\\\"b\\\\c\"");
        QTest::newRow("parentheses") << QByteArray("(x)") << QByteArray("\"(x)\"");
        QTest::newRow("braces") << QByteArray("{5}") << QByteArray("\"{5}\"");
        QTest::newRow("percent") << QByteArray("50%") << QByteArray("\"50%\"");
        QTest::newRow("asterisk") << QByteArray("*") << QByteArray("\"*\"");
        QTest::newRow("8-bit") << QByteArray("gr\xc3\xbc\xc3\x9f") << QByteArray("\"gr\xc3\xbc\xc3\x9f\"");
        QTest::newRow("CR LF dropped") << QByteArray("secret\r\n") << QByteArray("secret");
        QTest::newRow("no injected command") << QByteArray("x\r\nA002 DELETE INBOX") << QByteArray("\"xA002 DELETE INBOX\"");
    }
    void argument() {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, wire);
        QCOMPARE(Argument(value), wire);
    }

    void mailboxName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("ASCII with a blank") << "Sent Items" << QByteArray("Sent Items");
        QTest::newRow("umlaut") << QString::fromUtf8("Entwürfe") << QByteArray("Entw&APw-rfe");
        QTest::newRow("ampersand") << "A&B" << QByteArray("A&-B");
        QTest::newRow("comma in modified base64") << QString::fromUtf8("台北") << QByteArray("&U,BTFw-");
    }
    void mailboxName() {
        QFETCH(QString, name);
        QFETCH(QByteArray, encoded);
        QCOMPARE(EncodeMailboxName(name), encoded);
    }

    void commandsAndEntries() {
        QCOMPARE(LoginCommand(QString::fromUtf8("jürgen"), QStringLiteral("zwei Worte\r\n")),
                 QByteArray("A001 LOGIN \"j\xc3\xbcrgen\" \"zwei Worte\"\r\n"));
        QCOMPARE(ExamineCommand(QString::fromUtf8("Entwürfe")), QByteArray("A002 EXAMINE Entw&APw-rfe\r\n"));
        QCOMPARE(ExamineCommand(QStringLiteral("Sent Items")), QByteArray("A002 EXAMINE \"Sent Items\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestImapDialogue)
#include "tst_imapdialogue.moc"
