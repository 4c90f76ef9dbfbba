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
        QTest::newRow("blanks around") << "  143 " << true << 143.0;
        QTest::newRow("negative") << "-3" << true << -3.0;
        QTest::newRow("German decimal comma") << "1,5" << true << 1.5;
        QTest::newRow("thousands and decimal") << "1.234,5" << true << 1234.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("digits then letters") << "12a" << false << 0.0;
        QTest::newRow("exponent") << "1e5" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
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
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("error");  // 6 overflow, 13 type mismatch
        QTest::newRow("half rounds to even up") << "1,5" << 2 << 0;
        QTest::newRow("half rounds to even down") << "2,5" << 2 << 0;
        QTest::newRow("negative half") << "-2,5" << -2 << 0;
        QTest::newRow("min") << "-32768" << -32768 << 0;
        QTest::newRow("rounds into range") << "32767,4" << 32767 << 0;
        QTest::newRow("rounds out of range") << "32767,5" << 0 << 6;
        QTest::newRow("too small") << "-32769" << 0 << 6;
        QTest::newRow("empty") << "" << 0 << 13;
        QTest::newRow("not a number") << "abc" << 0 << 13;
    }
    void toInt16() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(int, error);
        QCOMPARE(Numeric::FitsInt16(text), error == 0);
        try {
            QCOMPARE(int(Numeric::ToInt16(text)), expected);
            QCOMPARE(error, 0);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumeric)
#include "tst_numeric.moc"
