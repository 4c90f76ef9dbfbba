#include "core/numeric.h"
#include "core/runtimeerror.h"

#include <QtTest>

class TestNumeric : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "143" << true << 143.0;
        QTest::newRow("blanks around") << "  143 " << true << 143.0;
        QTest::newRow("negative") << "-3" << true << -3.0;
        QTest::newRow("plus sign") << "+7" << true << 7.0;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("german decimal") << "1,5" << true << 1.5;
        QTest::newRow("german thousands") << "1.000" << true << 1000.0;
        QTest::newRow("thousands and decimal") << "1.234,5" << true << 1234.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks only") << "   " << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("digits then letters") << "12a" << false << 0.0;
        QTest::newRow("sign inside") << "1-2" << false << 0.0;
        QTest::newRow("exponent") << "1e5" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0661\u0662") << false << 0.0;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        QCOMPARE(Numeric::IsNumeric(text), numeric);
        if (numeric)
            QCOMPARE(*Numeric::Parse(text), value);
    }

    void toInt16_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // -1000000: type mismatch, 1000000: overflow
        QTest::newRow("port") << "143" << 143;
        QTest::newRow("half rounds to even up") << "1,5" << 2;
        QTest::newRow("half rounds to even down") << "2,5" << 2;
        QTest::newRow("above half") << "2,51" << 3;
        QTest::newRow("negative half") << "-2,5" << -2;
        QTest::newRow("max") << "32767" << 32767;
        QTest::newRow("min") << "-32768" << -32768;
        QTest::newRow("rounds into range") << "32767,4" << 32767;
        QTest::newRow("rounds out of range") << "32767,5" << 1000000;
        QTest::newRow("too large") << "70000" << 1000000;
        QTest::newRow("too small") << "-32769" << 1000000;
        QTest::newRow("missing key default") << "" << -1000000;
        QTest::newRow("not a number") << "abc" << -1000000;
    }
    void toInt16() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        try {
            const int value = Numeric::ToInt16(text);
            QCOMPARE(value, expected);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), expected == 1000000 ? 6 : 13);
            QVERIFY(expected == 1000000 || expected == -1000000);
        }
        QCOMPARE(Numeric::FitsInt16(text), std::abs(expected) != 1000000);
    }

    void toInt32Range() {
        QCOMPARE(Numeric::ToInt32(QStringLiteral("2147483647")), 2147483647);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Numeric::ToInt32(QStringLiteral("2147483648")));
    }
};

QTEST_GUILESS_MAIN(TestNumeric)
#include "tst_numeric.moc"
