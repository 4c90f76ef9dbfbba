#include "oeimport/registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Registry;

namespace {

const QByteArray kHeader = "WINE REGISTRY Version 2\n";

// Text data as the registry keeps it: UTF-16LE with the terminating zero.
QByteArray Sz(const QString& text) {
    QByteArray data;
    for (const QChar c : text) {
        data.append(char(c.unicode() & 0xFF));
        data.append(char(c.unicode() >> 8));
    }
    return data + QByteArray(2, '\0');
}

QString WithNul(const char16_t* text, int length) {
    return QString(reinterpret_cast<const QChar*>(text), length);
}

// A row name for lines of a file: one line, control characters shown.
QByteArray RowName(const char* lines) {
    return QByteArray(lines).replace('\n', " | ").replace('\r', "\\r").replace('\t', "\\t");
}

QStringList ChildNames(const KeyNode& node) {
    QStringList names;
    for (int i = 0; i < node.ChildCount(); ++i)
        names << node.ChildAt(i)->Name();
    return names;
}

// A registry file in a temporary folder, read through a WineFileSource.
class FileFixture {
public:
    explicit FileFixture(const QByteArray& content) : source(dir_.filePath("user.reg")) {
        Write(content);
    }
    void Write(const QByteArray& content) {
        QFile f(dir_.filePath("user.reg"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    Key Open(const char* path) {
        Key key = 0;
        const long result = source.RegOpenKeyExA(CurrentUser, path, 0, KeyRead, &key);
        return result == ResultOk ? key : 0;
    }
    QTemporaryDir dir_;
    WineFileSource source;
};

const QByteArray kSample = kHeader +
    R"(;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win32

[Software\\Test] 1700000000
#time=1da1b2c3d4e5f60
@="standard"
"Text"="M\xfcller"
"Euro"="\x20ac"
"Cyrillic"="\x0436"
"Clef"="\xd834\xdd1e"
"Zero"="ab\0cd"
"Binary"=hex:01,02,03
"Number"=dword:0000008f
"Expand"=str(2):"%HOME%"

[Software\\Test\\Kind] 1700000000
[Software\\Test\\Gr\xf6\x00dfe] 1700000000
[Software\\Test\\a] 1700000000
)";

}  // namespace

// (Raw string literals with an odd number of quotes confuse moc; those rows use plain literals.)
class TestWineRegistry : public QObject {
    Q_OBJECT
private slots:
    // One value line (or several) below a key, and what the registry keeps of it. Type -1: the
    // line cannot be read and nothing is stored.
    void parseValue_data() {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");

        const auto text = [](const char* lines, const QString& value) {
            QTest::newRow(RowName(lines).constData()) << QByteArray(lines) << QStringLiteral("v") << int(TypeSz) << Sz(value);
        };
        text(R"("v"="abc")", "abc");
        text(R"("v"="")", "");
        text("\"v\"=\"a\\\\b\\\"c\"", "a\\b\"c");
        text(R"("v"="C:\\")", "C:\\");
        text(R"("v"="1\n2\r3\t4\a5\b6\e7\f8\v9")", "1\n2\r3\t4\a5\b6\x1b" "7\f8\v9");
        text(R"("v"="max\0hidden")", WithNul(u"max\0hidden", 10));
        text(R"("v"="4\0005")", WithNul(u"4\0" "5", 3));
        text(R"("v"="\1011")", "A1");
        text(R"("v"="M\xfcller")", QString::fromUtf8("Müller"));
        text(R"("v"="\x00fcber")", QString::fromUtf8("über"));
        text(R"("v"="\x20acab")", QString::fromUtf8("€ab"));
        text(R"("v"="\xdfe")", QString(QChar(0x0DFE)));  // Wine writes "\x00dfe" for "ße"
        text(R"("v"="\xyz")", "xyz");
        text(R"("v"="\q")", "q");
        text("\"v\"=\"Gr\xc3\xbc\xc3\x9f" "e\"", QString::fromUtf8("Grüße"));  // UTF-8 in the file
        text(R"("v" = "blanks")", "blanks");
        text("\"v\"=\"crlf\"\r", "crlf");
        text("\"v\"=\"1\"\n\"V\"=\"2\"", "2");  // names without regard to case: the later wins

        QTest::newRow("default value") << QByteArray(R"(@="standard")") << QString() << int(TypeSz)
                                       << Sz("standard");
        QTest::newRow("name with escapes") << QByteArray("\"a\\\"b\\\\c\"=\"x\"") << QStringLiteral("a\"b\\c")
                                           << int(TypeSz) << Sz("x");
        QTest::newRow("str(2)") << QByteArray(R"("v"=str(2):"%PATH%;x")") << QStringLiteral("v")
                                << int(TypeExpandSz) << Sz("%PATH%;x");
        QTest::newRow("str(7)") << QByteArray(R"("v"=str(7):"a\0b\0")") << QStringLiteral("v")
                                << int(TypeMultiSz) << Sz(WithNul(u"a\0b\0", 4));

        const auto raw = [](const char* lines, int type, const char* hex) {
            QTest::newRow(RowName(lines).constData()) << QByteArray(lines) << QStringLiteral("v") << type
                                 << QByteArray::fromHex(hex);
        };
        raw(R"("v"=dword:0000008f)", TypeDword, "8f000000");
        raw(R"("v"=dword:8f)", TypeDword, "8f000000");
        raw(R"("v"=dword:ffffffff)", TypeDword, "ffffffff");
        raw(R"("v"=dword:12345678)", TypeDword, "78563412");
        raw(R"("v"=hex:8f,00,00,00)", TypeBinary, "8f000000");
        raw(R"("v"=hex:AB,cd,0F)", TypeBinary, "abcd0f");
        raw(R"("v"=hex:8,f)", TypeBinary, "080f");
        raw(R"("v"=hex:)", TypeBinary, "");
        raw(R"("v"=hex:01,02,)", TypeBinary, "0102");
        raw(R"("v"=hex(2):25,00,00,00)", TypeExpandSz, "25000000");
        raw(R"("v"=hex(7):61,00,00,00,00,00)", TypeMultiSz, "610000000000");
        raw(R"("v"=hex(b):e1,03,00,00,00,00,00,00)", TypeQword, "e103000000000000");
        raw(R"("v"=hex(0):)", TypeNone, "");
        raw(R"("v"=HEX(4):01,02,03,04)", TypeDword, "01020304");
        raw("\"v\"=hex:01,02,\\\n  03,04", TypeBinary, "01020304");
        raw("\"v\"=hex:01,\\\n  02,\\\n  03", TypeBinary, "010203");
        raw("\"v\"=hex:01,\\  \r\n\t02", TypeBinary, "0102");
        raw("\"v\"=hex:01,\\\n;not a comment here\n", -1, "");

        const auto bad = [](const char* lines) {
            QTest::newRow(RowName(lines).constData()) << QByteArray(lines) << QStringLiteral("v") << -1 << QByteArray();
        };
        bad("\"v\"=\"abc");
        bad("\"v=dword:1");
        bad(R"("v" "x")");
        bad(R"("v"=float:1)");
        bad(R"("v"=dword:xyz)");
        bad(R"("v"=dword:123456789)");
        bad(R"("v"=dword:)");
        bad(R"("v"=hex:1g)");
        bad(R"("v"=hex:123)");
        bad(R"("v"=hex:01,,02)");
        bad(R"("v"=hex(2:00)");
        bad(R"r("v"=str(2)"x")r");
        bad(R"("v"="a" b)");
        bad(R"("v"=-)");
        bad(R"("v"=)");
    }
    void parseValue() {
        QFETCH(QByteArray, lines);
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        KeyNode root;
        QVERIFY(Wine::Parse(kHeader + "[K] 1700000000\n" + lines + "\n\"after\"=\"ok\"\n", root));
        const KeyNode* key = root.Child("K");
        QVERIFY(key);
        const Value* value = key->FindValue(name);
        if (type < 0) {
            QVERIFY(!value);
        } else {
            QVERIFY(value);
            QCOMPARE(int(value->type), type);
            QCOMPARE(value->data.toHex(' '), data.toHex(' '));
        }
        // A line that cannot be read costs only itself.
        QVERIFY(key->FindValue("after"));
    }

    void unescapeStopsAtEndCharacter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("expected");  // "<none>": no end character
        QTest::addColumn<int>("rest");          // where reading goes on
        QTest::newRow("quote") << "ab\"cd" << "\"" << "ab" << 3;
        QTest::newRow("escaped quote") << "a\\\"b\"c" << "\"" << "a\"b" << 5;
        QTest::newRow("bracket") << R"(A\\B] 1700000000)" << "]" << "A\\B" << 5;
        QTest::newRow("escaped bracket") << R"(x\]y])" << "]" << "x]y" << 5;
        QTest::newRow("empty") << "\"" << "\"" << "" << 1;
        QTest::newRow("missing end") << R"(abc)" << "\"" << "<none>" << 0;
        QTest::newRow("backslash at the end") << R"(abc\)" << "\"" << "<none>" << 0;
    }
    void unescapeStopsAtEndCharacter() {
        QFETCH(QString, text);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        QFETCH(int, rest);
        int pos = 0;
        const auto result = Wine::Unescape(text, &pos, end.at(0));
        QCOMPARE(result.value_or("<none>"), expected);
        QCOMPARE(pos, rest);
    }

    void header_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("registry");
        const QByteArray body = "[A] 1700000000\n\"v\"=\"x\"\n";
        QTest::newRow("wine header") << kHeader + body << true;
        QTest::newRow("crlf line ends") << QByteArray("WINE REGISTRY Version 2\r\n[A]\r\n\"v\"=\"x\"\r\n") << true;
        QTest::newRow("utf-8 byte order mark") << "\xef\xbb\xbf" + kHeader + body << true;
        QTest::newRow("regedit4 export") << "REGEDIT4\n\n" + body << false;
        QTest::newRow("regedit5 export") << "Windows Registry Editor Version 5.00\n" + body << false;
        QTest::newRow("version 1") << "WINE REGISTRY Version 1\n" + body << false;
        QTest::newRow("comment before header") << ";; comment\n" + kHeader + body << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe", 4) << false;
    }
    void header() {
        QFETCH(QByteArray, content);
        QFETCH(bool, registry);
        KeyNode root;
        root.ChildOrCreate("stale");
        QCOMPARE(Wine::Parse(content, root), registry);
        QVERIFY(!root.Child("stale"));
        QCOMPARE(root.Child("A") != nullptr, registry);
        if (registry)
            QCOMPARE(root.Child("A")->FindValue("v")->data, Sz("x"));
    }

    void keysInAnyOrderWithTheirParents() {
        KeyNode root;
        QVERIFY(Wine::Parse(kHeader + R"(
[Software\\Vendor\\App\\Deep] 1700000000
#time=1da1b2c3d4e5f60
"deep"="1"

[Software\\Vendor] 1700000001
#time=1da1b2c3d4e5f61
#class="Vendor class"
"vendor"="2"
;; a comment between values
"vendor2"="3"
)", root));
        QCOMPARE(ChildNames(root), QStringList{"Software"});
        QVERIFY(root.Find("Software\\Vendor\\App"));  // never written, exists as a parent
        QCOMPARE(root.Find("Software\\Vendor\\App")->ValueCount(), 0);
        QVERIFY(root.Find("Software\\Vendor\\App\\Deep")->FindValue("deep"));
        QVERIFY(root.Find("Software\\Vendor")->FindValue("vendor"));
        QVERIFY(root.Find("Software\\Vendor")->FindValue("vendor2"));
        QVERIFY(!root.Find("Software\\Vendor\\App")->FindValue("vendor"));
    }

    void keyNamesIgnoreLetterCase() {
        KeyNode root;
        QVERIFY(Wine::Parse(kHeader + R"(
[Software\\Vendor] 1
"a"="1"
[SOFTWARE\\vendor] 2
"b"="2"
[Software\\Gr\xfc\xdf] 3
"c"="3"
[Software\\GR\xdc\xdf] 4
"d"="4"
)", root));
        const KeyNode* vendor = root.Find("software\\VENDOR");
        QVERIFY(vendor);
        QCOMPARE(vendor->Name(), QStringLiteral("Vendor"));  // as first written
        QVERIFY(vendor->FindValue("A") && vendor->FindValue("B"));
        const KeyNode* gruss = root.Find(QString::fromUtf8("software\\grüß"));
        QVERIFY(gruss);
        QVERIFY(gruss->FindValue("c") && gruss->FindValue("d"));
        QCOMPARE(root.Child("software")->ChildCount(), 2);
    }

    // The registry keeps subkeys sorted by their upper-cased names and enumerates them that way;
    // Wine does the same. The order of the file does not matter.
    void enumerationOrder_data() {
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("enumerated");
        QTest::newRow("numbers") << QStringList{"00000003", "00000001", "00000002"}
                                 << QStringList{"00000001", "00000002", "00000003"};
        QTest::newRow("text, not numbers") << QStringList{"9", "10", "010"}
                                           << QStringList{"010", "10", "9"};
        QTest::newRow("letter case ignored") << QStringList{"b", "Z", "a", "C"}
                                             << QStringList{"a", "b", "C", "Z"};
        QTest::newRow("underscore after letters") << QStringList{"_x", "a", "B"}
                                                  << QStringList{"a", "B", "_x"};
        QTest::newRow("prefix first") << QStringList{"ab1", "AB", "a"}
                                      << QStringList{"a", "AB", "ab1"};
    }
    void enumerationOrder() {
        QFETCH(QStringList, written);
        QFETCH(QStringList, enumerated);
        QByteArray content = kHeader;
        for (const QString& name : written)
            content += "[K\\\\" + name.toUtf8() + "] 1700000000\n";
        KeyNode root;
        QVERIFY(Wine::Parse(content, root));
        QCOMPARE(ChildNames(*root.Child("K")), enumerated);
    }

    void linesThatCannotBeReadAreSkipped() {
        KeyNode root;
        QVERIFY(Wine::Parse(kHeader + R"(
"orphan"="before any key"
[Broken\\Key
"lost"="1"
[Good] 1700000000
"kept"="2"
garbage line
"kept2"="3"
)", root));
        QCOMPARE(root.ValueCount(), 0);
        QCOMPARE(ChildNames(root), QStringList{"Good"});
        QCOMPARE(root.Child("Good")->ValueCount(), 2);
    }

    void escapedKeyNames() {
        KeyNode root;
        QVERIFY(Wine::Parse(kHeader + R"([A\\x\]y\\\x00fc\\\\\\z] 1700000000)" "\n", root));
        // "\\\\\\" is an empty name between two separators, which is no key of its own.
        QVERIFY(root.Find(QString::fromUtf8("A\\x]y\\ü\\z")));
    }

    // ---- the source's operations

    void openKey_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("result");
        QTest::newRow("key") << "Software\\Test" << 0;
        QTest::newRow("other case") << "SOFTWARE\\test\\KIND" << 0;
        QTest::newRow("umlauts in the name") << QString::fromUtf8("Software\\Test\\GRÖßE") << 0;
        QTest::newRow("trailing backslash") << "Software\\Test\\" << 0;
        QTest::newRow("empty path") << "" << 0;
        QTest::newRow("missing key") << "Software\\Missing" << 2;
        QTest::newRow("missing below") << "Software\\Test\\Kind\\Deeper" << 2;
        QTest::newRow("leading backslash") << "\\Software\\Test" << 2;
        QTest::newRow("double backslash") << "Software\\\\Test" << 2;
        QTest::newRow("value name") << "Software\\Test\\Text" << 2;
    }
    void openKey() {
        QFETCH(QString, path);
        QFETCH(int, result);
        FileFixture f(kSample);
        Key key = 12345;
        const QByteArray narrow = f.source.TextToNarrow(path);
        QCOMPARE(f.source.RegOpenKeyExA(CurrentUser, narrow.constData(), 0, KeyRead, &key), long(result));
        QCOMPARE(key != 0, result == 0);
        if (key) {
            QVERIFY(key != CurrentUser);
            QCOMPARE(f.source.RegCloseKey(key), ResultOk);
        }
    }

    void openRelativeToAnOpenKey() {
        FileFixture f(kSample);
        const Key test = f.Open("Software\\Test");
        Key kind = 0;
        QCOMPARE(f.source.RegOpenKeyExA(test, "kind", 0, KeyRead, &kind), ResultOk);
        QVERIFY(kind && kind != test);
        QCOMPARE(f.source.RegCloseKey(kind), ResultOk);
        QCOMPARE(f.source.RegCloseKey(test), ResultOk);
    }

    void readOnly_data() {
        QTest::addColumn<quint32>("access");
        QTest::addColumn<long>("result");
        QTest::newRow("KEY_READ") << KeyRead << ResultOk;
        QTest::newRow("KEY_QUERY_VALUE") << quint32(0x0001) << ResultOk;
        QTest::newRow("KEY_READ | KEY_WOW64_32KEY") << (KeyRead | 0x0200) << ResultOk;
        QTest::newRow("KEY_SET_VALUE") << quint32(0x0002) << ResultAccessDenied;
        QTest::newRow("KEY_WRITE") << quint32(0x20006) << ResultAccessDenied;
        QTest::newRow("KEY_ALL_ACCESS") << quint32(0xF003F) << ResultAccessDenied;
    }
    void readOnly() {
        QFETCH(quint32, access);
        QFETCH(long, result);
        FileFixture f(kSample);
        Key key = 0;
        QCOMPARE(f.source.RegOpenKeyExA(CurrentUser, "Software\\Test", 0, access, &key), result);
        if (key)
            f.source.RegCloseKey(key);
    }

    void handlesThatAreNotOpen() {
        FileFixture f(kSample);
        const Key key = f.Open("Software\\Test");
        QCOMPARE(f.source.RegCloseKey(key), ResultOk);
        quint32 n = 0;
        char name[16];
        quint32 size = sizeof name;
        quint8 data[16];
        quint32 dataSize = sizeof data;
        Key sub = 0;
        for (const Key k : {key, Key(0), Key(0xdead)}) {
            QCOMPARE(f.source.RegCloseKey(k), ResultInvalidHandle);
            QCOMPARE(f.source.RegQueryInfoKeyA(k, &n, &n), ResultInvalidHandle);
            QCOMPARE(f.source.RegEnumKeyExA(k, 0, name, &size), ResultInvalidHandle);
            QCOMPARE(f.source.RegQueryValueExA(k, "Text", nullptr, data, &dataSize), ResultInvalidHandle);
            QCOMPARE(f.source.RegOpenKeyExA(k, "Kind", 0, KeyRead, &sub), ResultInvalidHandle);
        }
        QCOMPARE(f.source.RegOpenKeyExA(CurrentUser, "Software", 0, KeyRead, nullptr),
                 ResultInvalidParameter);
    }

    void keyInformation() {
        FileFixture f(kSample);
        const Key key = f.Open("Software\\Test");
        quint32 count = 99;
        quint32 longest = 99;
        QCOMPARE(f.source.RegQueryInfoKeyA(key, &count, &longest), ResultOk);
        QCOMPARE(count, 3u);
        QCOMPARE(longest, 5u);  // "Größe" in characters
        QCOMPARE(f.source.RegQueryInfoKeyA(key, nullptr, nullptr), ResultOk);
        const Key kind = f.Open("Software\\Test\\Kind");
        QCOMPARE(f.source.RegQueryInfoKeyA(kind, &count, &longest), ResultOk);
        QCOMPARE(count, 0u);
        QCOMPARE(longest, 0u);
        f.source.RegCloseKey(kind);
        f.source.RegCloseKey(key);
    }

    void enumerateSubkeys_data() {
        QTest::addColumn<quint32>("index");
        QTest::addColumn<quint32>("bufferSize");
        QTest::addColumn<long>("result");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<quint32>("sizeAfter");
        QTest::newRow("first") << 0u << 16u << ResultOk << QByteArray("a") << 1u;
        QTest::newRow("umlauts as code page bytes") << 1u << 16u << ResultOk << QByteArray("Gr\xf6\xdf" "e") << 5u;
        QTest::newRow("exact fit") << 2u << 5u << ResultOk << QByteArray("Kind") << 4u;
        QTest::newRow("no room for the zero") << 2u << 4u << ResultMoreData << QByteArray() << 4u;
        QTest::newRow("far too small") << 2u << 1u << ResultMoreData << QByteArray() << 1u;
        QTest::newRow("past the end") << 3u << 16u << ResultNoMoreItems << QByteArray() << 16u;
        QTest::newRow("far past the end") << 0xFFFFFFFFu << 16u << ResultNoMoreItems << QByteArray() << 16u;
    }
    void enumerateSubkeys() {
        QFETCH(quint32, index);
        QFETCH(quint32, bufferSize);
        QFETCH(long, result);
        QFETCH(QByteArray, name);
        QFETCH(quint32, sizeAfter);
        FileFixture f(kSample);
        const Key key = f.Open("Software\\Test");
        QByteArray buffer(16, '#');
        quint32 size = bufferSize;
        QCOMPARE(f.source.RegEnumKeyExA(key, index, buffer.data(), &size), result);
        QCOMPARE(size, sizeAfter);
        if (result == ResultOk) {
            QCOMPARE(buffer.left(int(size)), name);
            QCOMPARE(buffer.at(int(size)), '\0');
        } else {
            QCOMPARE(buffer, QByteArray(16, '#'));  // untouched
        }
        QCOMPARE(f.source.RegEnumKeyExA(key, 0, nullptr, &size), ResultInvalidParameter);
        f.source.RegCloseKey(key);
    }

    // What RegQueryValueExA hands out: text in the code page with its zero, the rest as stored.
    void queryValue_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("default value by empty name") << QByteArray("") << TypeSz << QByteArray("standard", 9);
        QTest::newRow("name in other case") << QByteArray("TEXT") << TypeSz << QByteArray("M\xfcller", 7);
        QTest::newRow("euro sign") << QByteArray("Euro") << TypeSz << QByteArray("\x80", 2);
        QTest::newRow("not in the code page") << QByteArray("Cyrillic") << TypeSz << QByteArray("?", 2);
        QTest::newRow("outside the basic plane") << QByteArray("Clef") << TypeSz << QByteArray("??", 3);
        QTest::newRow("embedded zero") << QByteArray("Zero") << TypeSz << QByteArray("ab\0cd", 6);
        QTest::newRow("binary") << QByteArray("Binary") << TypeBinary << QByteArray("\1\2\3", 3);
        QTest::newRow("dword") << QByteArray("Number") << TypeDword << QByteArray("\x8f\0\0\0", 4);
        QTest::newRow("expand string") << QByteArray("Expand") << TypeExpandSz << QByteArray("%HOME%", 7);
    }
    void queryValue() {
        QFETCH(QByteArray, name);
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        FileFixture f(kSample);
        const Key key = f.Open("Software\\Test");
        const quint32 needed = quint32(data.size());

        quint32 gotType = 99;
        quint32 size = 0;
        QCOMPARE(f.source.RegQueryValueExA(key, name.constData(), &gotType, nullptr, &size), ResultOk);
        QCOMPARE(gotType, type);
        QCOMPARE(size, needed);

        QByteArray buffer(32, '#');
        size = needed;
        QCOMPARE(f.source.RegQueryValueExA(key, name.constData(), nullptr,
                                           reinterpret_cast<quint8*>(buffer.data()), &size),
                 ResultOk);
        QCOMPARE(size, needed);
        QCOMPARE(buffer.left(int(size)), data);
        QCOMPARE(buffer.at(int(size)), '#');

        if (needed > 0) {
            QByteArray small(32, '#');
            size = needed - 1;
            QCOMPARE(f.source.RegQueryValueExA(key, name.constData(), nullptr,
                                               reinterpret_cast<quint8*>(small.data()), &size),
                     ResultMoreData);
            QCOMPARE(size, needed);
            QCOMPARE(small, QByteArray(32, '#'));
        }
        f.source.RegCloseKey(key);
    }

    void queryValueEdges() {
        FileFixture f(kSample);
        const Key key = f.Open("Software\\Test");
        quint8 data[8];
        quint32 size = sizeof data;
        QCOMPARE(f.source.RegQueryValueExA(key, "Missing", nullptr, data, &size), ResultFileNotFound);
        QCOMPARE(f.source.RegQueryValueExA(key, nullptr, nullptr, nullptr, &size), ResultOk);
        QCOMPARE(size, 9u);  // the default value, "standard"
        QCOMPARE(f.source.RegQueryValueExA(key, "Text", nullptr, data, nullptr), ResultInvalidParameter);
        const Key kind = f.Open("Software\\Test\\Kind");
        QCOMPARE(f.source.RegQueryValueExA(kind, "", nullptr, nullptr, &size), ResultFileNotFound);
        f.source.RegCloseKey(kind);
        f.source.RegCloseKey(key);
    }

    void noKeysWithoutARegistryFile_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("missing file") << "missing";
        QTest::newRow("folder") << "folder";
        QTest::newRow("not a registry file") << "other";
        QTest::newRow("unreadable file") << "unreadable";
    }
    void noKeysWithoutARegistryFile() {
        QFETCH(QString, what);
        QTemporaryDir dir;
        QString path = dir.filePath("user.reg");
        if (what == "folder") {
            path = dir.path();
        } else if (what != "missing") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(what == "other" ? "REGEDIT4\n[Software\\Test]\n" : kSample);
            file.close();
            if (what == "unreadable") {
                file.setPermissions(QFileDevice::WriteOwner);
                if (QFile(path).open(QIODevice::ReadOnly))
                    QSKIP("running with rights that read any file");
            }
        }
        WineFileSource source(path);
        Key key = 0;
        QCOMPARE(source.RegOpenKeyExA(CurrentUser, "Software", 0, KeyRead, &key), ResultFileNotFound);
        QCOMPARE(key, Key(0));
        quint32 count = 99;
        QCOMPARE(source.RegQueryInfoKeyA(CurrentUser, &count, nullptr), ResultOk);
        QCOMPARE(count, 0u);
    }

    // Every complete read sees the file as it is then, but an open key keeps what it was opened on.
    void fileIsReadAnewWhenNoKeyIsOpen() {
        FileFixture f(kHeader + "[Software\\\\One] 1\n\"v\"=\"1\"\n");
        const Key one = f.Open("Software\\One");
        QVERIFY(one);
        f.Write(kHeader + "[Software\\\\Two] 1\n\"v\"=\"2\"\n");
        QCOMPARE(f.Open("Software\\Two"), Key(0));  // a key is open: still the old file
        const Key again = f.Open("Software\\One");
        QVERIFY(again);
        f.source.RegCloseKey(again);
        f.source.RegCloseKey(one);
        QCOMPARE(f.Open("Software\\One"), Key(0));
        const Key two = f.Open("Software\\Two");
        QVERIFY(two);
        f.source.RegCloseKey(two);
    }

    void defaultPathIsInTheHomeFolder() {
        QCOMPARE(WineFileSource::DefaultPath(), QDir::homePath() + "/.wine/user.reg");
    }
};

QTEST_GUILESS_MAIN(TestWineRegistry)
#include "tst_wineregistry.moc"
