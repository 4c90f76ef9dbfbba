#include "core/funktionen.h"
#include "core/numeric.h"
#include "core/runtimeerror.h"

#include <QtTest>

// Texts the user types or the store holds: numbers and scrambled passwords; an error 0 means none.
class TestConversions : public QObject {
    Q_OBJECT
private slots:
    // German decimal comma and thousands dots, halves rounded to even, 16-bit range; error 6 overflow,
    // 13 type mismatch.
    void toInt16_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("blanks around") << "  143 " << 143 << 0;
        QTest::newRow("thousands, decimal, half rounds to even down") << "1.234,5" << 1234 << 0;
        QTest::newRow("half rounds to even up") << "1,5" << 2 << 0;
        QTest::newRow("negative half") << "-2,5" << -2 << 0;
        QTest::newRow("min") << "-32768" << -32768 << 0;
        QTest::newRow("rounds into range") << "32767,4" << 32767 << 0;
        QTest::newRow("rounds out of range") << "32767,5" << 0 << 6;
        QTest::newRow("too small") << "-32769" << 0 << 6;
        QTest::newRow("empty") << "" << 0 << 13;
        QTest::newRow("exponent, which the locale would take") << "1e5" << 0 << 13;
    }
    void toInt16() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(int, error);
        QCOMPARE(Numeric::IsNumeric(text), error != 13);
        QCOMPARE(Numeric::FitsInt16(text), error == 0);
        try {
            QCOMPARE(int(Numeric::ToInt16(text)), expected);
            QCOMPARE(error, 0);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }

    // The stored form: the factor k × 7, then k × each character's code (Windows-1252 where the
    // character has one, else its Unicode code), joined by "|".
    void storedPassword_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("k");  // 0: only read
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("error");
        QTest::newRow("ascii") << "abc" << 3 << "21|291|294|297" << 0;
        QTest::newRow("blank inside") << "a b" << 1 << "7|97|32|98" << 0;
        QTest::newRow("umlaut from Windows-1252") << QString::fromUtf8("ä") << 2 << "14|456" << 0;
        QTest::newRow("sharp s") << QString::fromUtf8("ß") << 25 << "175|5575" << 0;
        QTest::newRow("euro sign is 128") << QString::fromUtf8("€") << 1 << "7|128" << 0;
        QTest::newRow("empty password is the factor alone") << "" << 4 << "28" << 0;
        QTest::newRow("outside the code page by its Unicode code") << QString::fromUtf8("zażółć€") << 2
                                                                   << "14|244|194|760|486|644|526|256" << 0;
        QTest::newRow("beyond the basic plane") << QString::fromUtf8("😀") << 1 << "7|55357|56832" << 0;
        QTest::newRow("empty text") << "" << 0 << "" << 0;
        QTest::newRow("half rounds to even") << QString(QChar(2)) + QChar(4) << 0 << "14|5|7" << 0;
        QTest::newRow("head not a number") << "" << 0 << "x|97" << 13;
        QTest::newRow("zero head") << "" << 0 << "0|97" << 11;
        QTest::newRow("code above 65535") << "" << 0 << "7|65536" << 5;
    }
    void storedPassword() {
        QFETCH(QString, plain);
        QFETCH(int, k);
        QFETCH(QString, stored);
        QFETCH(int, error);
        if (k > 0)
            QCOMPARE(EncodePassword(plain, k), stored);
        try {
            QCOMPARE(DecodePassword(stored), plain);
            QCOMPARE(error, 0);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }

    void passwordRoundTripWithDrawnFactor() {
        for (const QString& plain : {QStringLiteral("geheim"), QString::fromUtf8("Grüße€Ölß"), QStringLiteral("p|a\"s s\\w(o)r{d}%*")}) {
            const QString stored = EncodePassword(plain);
            const int head = stored.section(QLatin1Char('|'), 0, 0).toInt();
            QVERIFY2(head % 7 == 0 && head >= 7 && head <= 175, qPrintable(stored));
            QCOMPARE(DecodePassword(stored), plain);
        }
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
