#include "oeimport/oeaccountinfo.h"

#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using Registry::Key;

namespace {

QString Data(const QString& name) { return QStringLiteral(OEIMPORT_TEST_DATA "/") + name; }

QStringList Ids(const QVector<OEAccount>& accounts) {
    QStringList ids;
    for (const OEAccount& a : accounts)
        ids << a.AccountID;
    return ids;
}

const OEAccount* FindAccount(const QVector<OEAccount>& accounts, const QString& id) {
    for (const OEAccount& a : accounts)
        if (a.AccountID == id)
            return &a;
    return nullptr;
}

// All 29 fields in their order, as "name=value".
QStringList Fields(const OEAccount& a) {
    return {"AccountID=" + a.AccountID,
            "Spare1=" + a.Spare1,
            "DefaultNewsAccount=" + a.DefaultNewsAccount,
            "DefaultMailAccount=" + a.DefaultMailAccount,
            "DefaultLDAPAccount=" + a.DefaultLDAPAccount,
            "NNTPSignature=" + a.NNTPSignature,
            "NNTPServer=" + a.NNTPServer,
            "NNTPAccountName=" + a.NNTPAccountName,
            "NNTPUserName=" + a.NNTPUserName,
            "NNTPEmailAddress=" + a.NNTPEmailAddress,
            "Spare2=" + a.Spare2,
            "SMTPSignature=" + a.SMTPSignature,
            "SMTPServer=" + a.SMTPServer,
            "SMTPAccountName=" + a.SMTPAccountName,
            "SMTPEmailAddress=" + a.SMTPEmailAddress,
            "SMTPUserName=" + a.SMTPUserName,
            "SMTPReplyToEmailAddress=" + a.SMTPReplyToEmailAddress,
            "POP3Server=" + a.POP3Server,
            "POP3AccountName=" + a.POP3AccountName,
            "POP3UserName=" + a.POP3UserName,
            "POP3EmailAddress=" + a.POP3EmailAddress,
            "POP3ReplyToEmailAddress=" + a.POP3ReplyToEmailAddress,
            "IMAPServer=" + a.IMAPServer,
            "IMAPPort=" + QString::number(a.IMAPPort),
            "IMAPAccountName=" + a.IMAPAccountName,
            "IMAPUserName=" + a.IMAPUserName,
            "LDAPServer=" + a.LDAPServer,
            "LDAPAccountName=" + a.LDAPAccountName,
            "LDAPURL=" + a.LDAPURL};
}

// Passes every call on to another source, keeps count of the keys opened and closed, and makes
// chosen calls fail.
class RecordingSource : public Registry::Source {
public:
    explicit RecordingSource(Registry::Source& inner) : inner_(inner) {}

    // Opening a path that ends with this fails with 2.
    QString failOpenEnding;
    // RegQueryInfoKeyA returns this when not 0.
    long infoResult = 0;
    // At this enumeration index the call returns enumResult; with enumWritesName the name is
    // written first (a short buffer that still got the name), else the buffer stays untouched.
    qint64 enumIndex = -1;
    long enumResult = 0;
    bool enumWritesName = false;

    int opens = 0;
    int closes = 0;
    int badCloses = 0;
    int calls = 0;
    QSet<Key> openKeys;
    QList<quint32> accesses;
    QStringList queried;

    long RegOpenKeyExA(Key root, const char* subKey, quint32 options, quint32 access,
                       Key* result) override {
        ++calls;
        accesses << access;
        if (!failOpenEnding.isEmpty() && QByteArray(subKey).endsWith(failOpenEnding.toLatin1())) {
            *result = 0;
            return Registry::ResultFileNotFound;
        }
        const long r = inner_.RegOpenKeyExA(root, subKey, options, access, result);
        if (r == Registry::ResultOk) {
            ++opens;
            openKeys.insert(*result);
        }
        return r;
    }
    long RegQueryInfoKeyA(Key key, quint32* subKeys, quint32* maxSubKeyLength) override {
        ++calls;
        if (infoResult)
            return infoResult;
        return inner_.RegQueryInfoKeyA(key, subKeys, maxSubKeyLength);
    }
    long RegEnumKeyExA(Key key, quint32 index, char* name, quint32* nameSize) override {
        ++calls;
        if (qint64(index) == enumIndex) {
            if (enumWritesName)
                inner_.RegEnumKeyExA(key, index, name, nameSize);
            return enumResult;
        }
        return inner_.RegEnumKeyExA(key, index, name, nameSize);
    }
    long RegQueryValueExA(Key key, const char* valueName, quint32* type, quint8* data,
                          quint32* dataSize) override {
        ++calls;
        queried << QString::fromLatin1(valueName);
        return inner_.RegQueryValueExA(key, valueName, type, data, dataSize);
    }
    long RegCloseKey(Key key) override {
        ++calls;
        if (openKeys.remove(key))
            ++closes;
        else
            ++badCloses;
        return inner_.RegCloseKey(key);
    }
    QString NarrowToText(const QByteArray& bytes) const override { return inner_.NarrowToText(bytes); }
    QByteArray TextToNarrow(const QString& text) const override { return inner_.TextToNarrow(text); }

private:
    Registry::Source& inner_;
};

}  // namespace

class TestOEAccountInfo : public QObject {
    Q_OBJECT
    QTemporaryDir home;

private slots:
    void initTestCase() {
        // The program's own source reads ~/.wine/user.reg; point the home folder elsewhere before
        // anything asks for it.
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
    }

    void listsImapAccountsInEnumerationOrder() {
        Registry::WineFileSource source(Data("accounts.reg"));
        const QVector<OEAccount> accounts = ReadOEImapAccounts(source);
        QCOMPARE(Ids(accounts), (QStringList{"00000001", "00000005", "00000008"}));

        const OEAccount& firma = accounts[0];
        QCOMPARE(firma.IMAPServer, QStringLiteral("imap.firma.example"));
        QCOMPARE(firma.IMAPUserName, QStringLiteral("m.mueller"));
        QCOMPARE(firma.IMAPPort, 993);
        QCOMPARE(firma.SMTPEmailAddress, QStringLiteral("max@firma.example"));
        QCOMPARE(firma.SMTPReplyToEmailAddress, QStringLiteral("info@firma.example"));
        QCOMPARE(firma.SMTPSignature, QString::fromUtf8("Mit freundlichen Grüßen"));
        QCOMPARE(firma.IMAPAccountName, QStringLiteral("Firma"));
        // The default accounts are read but stay out of the listed records.
        QVERIFY(firma.DefaultMailAccount.isEmpty());

        QCOMPARE(accounts[1].IMAPUserName, QString::fromUtf8("jürgen.bär"));
        QCOMPARE(accounts[1].IMAPPort, 143);  // no "IMAP Port"
        QCOMPARE(accounts[2].IMAPPort, 0x018f);  // hex:8f,01,00,00 over two lines
    }

    void accountKinds_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("listed");
        QTest::newRow("IMAP with port") << "00000001" << true;
        QTest::newRow("POP3") << "00000002" << false;
        QTest::newRow("news (NNTP)") << "00000003" << false;
        QTest::newRow("directory service (LDAP)") << "00000004" << false;
        QTest::newRow("IMAP without port") << "00000005" << true;
        QTest::newRow("IMAP and news server") << "00000006" << false;
        QTest::newRow("IMAP and directory server") << "00000007" << false;
        QTest::newRow("IMAP with port as bytes") << "00000008" << true;
        QTest::newRow("empty IMAP server") << "00000009" << false;
    }
    void accountKinds() {
        QFETCH(QString, id);
        QFETCH(bool, listed);
        Registry::WineFileSource source(Data("accounts.reg"));
        // Every account key is there and readable; only the kind decides.
        QCOMPARE(ReadOEAccount(source, OEAccountsKeyPath, id).AccountID, id);
        QCOMPARE(FindAccount(ReadOEImapAccounts(source), id) != nullptr, listed);
    }

    // The file lists the account keys in no order and in mixed letter case; the registry
    // enumerates them by upper-cased name, and so does the reader.
    void enumerationOrderOfTheRegistry() {
        Registry::WineFileSource source(Data("order.reg"));
        const QVector<OEAccount> accounts = ReadOEImapAccounts(source);
        QCOMPARE(Ids(accounts), (QStringList{"00000001", "00000003", "0000000A", "0000000b",
                                             "00000010", "2", "a-mail", "Z-Mail"}));
        // Two sections of one key in different letter case are one account.
        QCOMPARE(accounts[3].IMAPServer, QStringLiteral("imap.b.example"));
        QCOMPARE(accounts[3].SMTPEmailAddress, QStringLiteral("elf-hex@example.org"));
    }

    void textValues_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("expected");
        QTest::newRow("259 characters read whole") << "259 characters" << QString(259, 'a');
        QTest::newRow("260 characters read as empty") << "260 characters" << QString();
        QTest::newRow("259 umlauts read whole") << "259 umlauts" << QString(259, QChar(0xFC));
        QTest::newRow("embedded zero cuts") << "embedded zero" << "max";
        QTest::newRow("zero first") << "zero first" << QString();
        QTest::newRow("umlauts") << "umlauts" << QString::fromUtf8("Jürgen ÄÖÜäöüß");
        QTest::newRow("euro sign") << "euro sign" << QString::fromUtf8("€ 5");
        QTest::newRow("not in the code page") << "not in code page" << "?ukov";
        QTest::newRow("escapes") << "escapes" << "a\\b\"c\td";
        QTest::newRow("str(1)") << "str(1)" << "plain";
        QTest::newRow("expand string") << "expand string" << "%USERNAME%";
        QTest::newRow("expand string as bytes") << "expand string as bytes" << "max";
        QTest::newRow("expand string over lines") << "expand string over lines" << "max";
        QTest::newRow("multi string: first part") << "multi string" << "eins";
        QTest::newRow("binary text") << "binary text" << "max";
        QTest::newRow("binary without zero") << "binary without zero" << "max";
        QTest::newRow("dword as text") << "dword as text" << "abc";
        QTest::newRow("empty") << "empty" << QString();
        QTest::newRow("absent") << "absent" << QString();
        QTest::newRow("value name in other case") << "value name in other case" << "klein";
    }
    void textValues() {
        QFETCH(QString, id);
        QFETCH(QString, expected);
        Registry::WineFileSource source(Data("texts.reg"));
        const QVector<OEAccount> accounts = ReadOEImapAccounts(source);
        const OEAccount* account = FindAccount(accounts, id);
        QVERIFY(account);
        QCOMPARE(account->IMAPUserName, expected);
    }

    void portValues_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<qint32>("port");
        QTest::newRow("dword") << "dword" << 993;
        QTest::newRow("dword 143") << "dword 143" << 143;
        QTest::newRow("dword negative") << "dword negative" << -1;
        QTest::newRow("hex 4 bytes") << "hex 4 bytes" << 993;
        QTest::newRow("hex 2 bytes") << "hex 2 bytes" << 300;
        QTest::newRow("hex 1 byte") << "hex 1 byte" << 143;
        QTest::newRow("hex no bytes") << "hex no bytes" << 0;
        QTest::newRow("hex 5 bytes: too large") << "hex 5 bytes" << 143;
        QTest::newRow("hex over lines") << "hex over lines" << 993;
        QTest::newRow("hex(4)") << "hex(4)" << 993;
        QTest::newRow("big-endian dword read little-endian") << "big-endian dword" << qint32(0xE1030000u);
        QTest::newRow("qword: too large") << "qword" << 143;
        QTest::newRow("text of 1 character") << "text of 1 character" << 0x37;
        QTest::newRow("text of 3 characters: 4 bytes") << "text of 3 characters" << 0x00333939;
        QTest::newRow("text of 4 characters: too large") << "text of 4 characters" << 143;
        QTest::newRow("absent") << "absent" << 143;
    }
    void portValues() {
        QFETCH(QString, id);
        QFETCH(qint32, port);
        Registry::WineFileSource source(Data("ports.reg"));
        const OEAccount* account = FindAccount(ReadOEImapAccounts(source), id);
        QVERIFY(account);
        QCOMPARE(account->IMAPPort, port);
    }

    void emptyList_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("no file") << Data("missing.reg");
        QTest::newRow("a folder") << Data("");
        QTest::newRow("empty file") << Data("empty.reg");
        QTest::newRow("regedit export, not Wine's file") << Data("regedit4.reg");
        QTest::newRow("no Internet Account Manager") << Data("nobase.reg");
        QTest::newRow("no Accounts key") << Data("noaccounts.reg");
        QTest::newRow("Accounts without subkeys") << Data("emptyaccounts.reg");
    }
    void emptyList() {
        QFETCH(QString, path);
        Registry::WineFileSource source(path);
        QVERIFY(ReadOEImapAccounts(source).isEmpty());
    }

    void readOEAccountFillsEveryField() {
        Registry::WineFileSource source(Data("allfields.reg"));
        const OEAccount a = ReadOEAccount(source, OEAccountsKeyPath, QStringLiteral("alle felder"));
        QCOMPARE(Fields(a), (QStringList{"AccountID=alle felder",
                                         "Spare1=",
                                         "DefaultNewsAccount=",
                                         "DefaultMailAccount=",
                                         "DefaultLDAPAccount=",
                                         "NNTPSignature=nntp signature",
                                         "NNTPServer=nntp server",
                                         "NNTPAccountName=account name",
                                         "NNTPUserName=nntp user",
                                         "NNTPEmailAddress=nntp@example.org",
                                         "Spare2=",
                                         "SMTPSignature=smtp signature",
                                         "SMTPServer=smtp server",
                                         "SMTPAccountName=account name",
                                         "SMTPEmailAddress=smtp@example.org",
                                         "SMTPUserName=smtp user",
                                         "SMTPReplyToEmailAddress=smtp-reply@example.org",
                                         "POP3Server=pop3 server",
                                         "POP3AccountName=account name",
                                         "POP3UserName=pop3 user",
                                         "POP3EmailAddress=pop3@example.org",
                                         "POP3ReplyToEmailAddress=pop3-reply@example.org",
                                         "IMAPServer=imap server",
                                         "IMAPPort=3000",
                                         "IMAPAccountName=account name",
                                         "IMAPUserName=imap user",
                                         "LDAPServer=ldap server",
                                         "LDAPAccountName=account name",
                                         "LDAPURL=ldap url"}));
    }

    void readOEAccountOfAMissingKeyIsEmpty() {
        Registry::WineFileSource source(Data("allfields.reg"));
        RecordingSource recording(source);
        const OEAccount a = ReadOEAccount(recording, OEAccountsKeyPath, QStringLiteral("nicht da"));
        QCOMPARE(Fields(a), Fields(OEAccount()));
        QCOMPARE(a.IMAPPort, 0);
        QCOMPARE(recording.calls, 1);  // the failed open, nothing after it
    }

    void readOEDefaultAccounts() {
        Registry::WineFileSource source(Data("allfields.reg"));
        RecordingSource recording(source);
        const Key base = OpenRegKeyRead(recording, Registry::CurrentUser, OEBaseKeyPath);
        QVERIFY(base);
        const OEAccount a = ReadOEDefaultAccounts(recording, base);
        recording.RegCloseKey(base);
        OEAccount expected;
        expected.DefaultLDAPAccount = "ldap-default";
        expected.DefaultMailAccount = "mail-default";
        expected.DefaultNewsAccount = "news-default";
        QCOMPARE(Fields(a), Fields(expected));
        QCOMPARE(recording.queried, (QStringList{"Default LDAP Account", "Default Mail Account",
                                                 "Default News Account"}));
        QCOMPARE(Fields(ReadOEDefaultAccounts(recording, 0)), Fields(OEAccount()));
    }

    // Key 0 stands for no key: nothing is asked of the registry.
    void keyZero() {
        Registry::WineFileSource source(Data("accounts.reg"));
        RecordingSource recording(source);
        QCOMPARE(ReadRegText(recording, 0, "Account Name"), QString());
        QCOMPARE(ReadRegNumber(recording, 0, "IMAP Port"), 0);
        QCOMPARE(ReadOEDefaultAccounts(recording, 0).DefaultMailAccount, QString());
        QCOMPARE(recording.calls, 0);
        QCOMPARE(OpenRegKeyRead(recording, Registry::CurrentUser, "Software\\Missing"), Key(0));
    }

    void cutAtNul_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no zero") << "abc" << "abc";
        QTest::newRow("zero inside") << QString::fromLatin1("a\0b", 3) << "a";
        QTest::newRow("zero first") << QString::fromLatin1("\0ab", 3) << QString();
        QTest::newRow("zeros at the end") << QString::fromLatin1("ab\0\0", 4) << "ab";
    }
    void cutAtNul() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(CutAtNul(text), expected);
    }

    // Every key opened is closed, on the way through and on every early return; the reader only
    // asks for read access.
    void everyOpenedKeyIsClosed_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("failOpenEnding");
        QTest::addColumn<long>("infoResult");
        QTest::addColumn<int>("enumIndex");
        QTest::addColumn<long>("enumResult");
        QTest::addColumn<bool>("enumWritesName");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("opens");
        const QStringList all{"00000001", "00000005", "00000008"};
        // base key + container + nine account keys
        QTest::newRow("all accounts") << "accounts.reg" << "" << 0L << -1 << 0L << false << all << 11;
        QTest::newRow("no base key") << "nobase.reg" << "" << 0L << -1 << 0L << false << QStringList() << 0;
        QTest::newRow("no container") << "noaccounts.reg" << "" << 0L << -1 << 0L << false << QStringList() << 1;
        QTest::newRow("container fails to open") << "accounts.reg" << "\\Accounts" << 0L << -1 << 0L << false
                                                 << QStringList() << 1;
        QTest::newRow("key information fails") << "accounts.reg" << "" << 1010L << -1 << 0L << false
                                               << QStringList() << 2;
        QTest::newRow("account key fails to open") << "accounts.reg" << "00000005" << 0L << -1 << 0L << false
                                                   << QStringList{"00000001", "00000008"} << 10;
        QTest::newRow("enumeration: access denied") << "accounts.reg" << "" << 0L << 0 << 5L << false
                                                    << QStringList{"00000005", "00000008"} << 10;
        QTest::newRow("enumeration: no more items") << "accounts.reg" << "" << 0L << 0 << 259L << false
                                                    << QStringList{"00000005", "00000008"} << 10;
        QTest::newRow("enumeration: short buffer, name given") << "accounts.reg" << "" << 0L << 4 << 234L << true
                                                               << all << 11;
        // The zeroed buffer names the container itself, which is no IMAP account.
        QTest::newRow("enumeration: short buffer, no name") << "accounts.reg" << "" << 0L << 4 << 234L << false
                                                            << QStringList{"00000001", "00000008"} << 11;
    }
    void everyOpenedKeyIsClosed() {
        QFETCH(QString, file);
        QFETCH(QString, failOpenEnding);
        QFETCH(long, infoResult);
        QFETCH(int, enumIndex);
        QFETCH(long, enumResult);
        QFETCH(bool, enumWritesName);
        QFETCH(QStringList, listed);
        QFETCH(int, opens);
        Registry::WineFileSource source(Data(file));
        RecordingSource recording(source);
        recording.failOpenEnding = failOpenEnding;
        recording.infoResult = infoResult;
        recording.enumIndex = enumIndex;
        recording.enumResult = enumResult;
        recording.enumWritesName = enumWritesName;

        QCOMPARE(Ids(ReadOEImapAccounts(recording)), listed);
        QCOMPARE(recording.opens, opens);
        QCOMPARE(recording.closes, opens);
        QCOMPARE(recording.badCloses, 0);
        QVERIFY(recording.openKeys.isEmpty());
        for (const quint32 access : recording.accesses)
            QCOMPARE(access, Registry::KeyRead);
    }

    void readerLeavesTheFileAlone() {
        const QString path = Data("accounts.reg");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const QDateTime modified = QFileInfo(path).lastModified();
        Registry::WineFileSource source(path);
        QCOMPARE(ReadOEImapAccounts(source).size(), 3);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    // Without arguments the reader uses the program's source: here ~/.wine/user.reg of the
    // temporary home folder, or the source the tests put in its place.
    void programSource() {
        QCOMPARE(Registry::WineFileSource::DefaultPath(), home.filePath(".wine/user.reg"));
        QVERIFY(ReadOEImapAccounts().isEmpty());  // no Wine installation
        QVERIFY(QDir(home.path()).mkpath(".wine"));
        QVERIFY(QFile::copy(Data("accounts.reg"), home.filePath(".wine/user.reg")));
        QCOMPARE(Ids(ReadOEImapAccounts()), (QStringList{"00000001", "00000005", "00000008"}));

        Registry::WineFileSource other(Data("order.reg"));
        Registry::SetDefaultForTesting(&other);
        QCOMPARE(ReadOEImapAccounts().size(), 8);
        Registry::SetDefaultForTesting(nullptr);
        QCOMPARE(ReadOEImapAccounts().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestOEAccountInfo)
#include "tst_oeaccountinfo.moc"
