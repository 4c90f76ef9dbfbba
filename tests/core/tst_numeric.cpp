#include "core/numeric.h"
#include "core/runtimeerror.h"

#include <QtTest>

// Numbers as the user and the store write them: German decimal comma and thousands dots, halves
// rounded to even, 16-bit range; error 6 overflow, 13 type mismatch.
class TestNumeric : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_GUILESS_MAIN(TestNumeric)
#include "tst_numeric.moc"
