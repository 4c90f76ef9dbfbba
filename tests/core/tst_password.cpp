#include "core/funktionen.h"
#include "core/runtimeerror.h"

#include <QtTest>

class TestPassword : public QObject {
    Q_OBJECT
private slots:
    void fixedVectors_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ascii") << "abc" << 3 << "21|291|294|297";
        QTest::newRow("blank inside") << "a b" << 1 << "7|97|32|98";
        QTest::newRow("umlaut from Windows-1252") << QString::fromUtf8("ä") << 2 << "14|456";
        QTest::newRow("sharp s") << QString::fromUtf8("ß") << 25 << "175|5575";
        QTest::newRow("euro sign is 128") << QString::fromUtf8("€") << 1 << "7|128";
        QTest::newRow("empty password is the factor alone") << "" << 4 << "28";
        QTest::newRow("outside the code page by its Unicode code") << QString::fromUtf8("zażółć€") << 2
                                                                   << "14|244|194|760|486|644|526|256";
        QTest::newRow("beyond the basic plane") << QString::fromUtf8("😀") << 1 << "7|55357|56832";
    }
    void fixedVectors() {
        QFETCH(QString, plain);
        QFETCH(int, k);
        QFETCH(QString, stored);
        QCOMPARE(EncodePassword(plain, k), stored);
        QCOMPARE(DecodePassword(stored), plain);
    }

    void roundTripWithDrawnFactor() {
        for (const QString& plain : {QStringLiteral("geheim"), QString::fromUtf8("Grüße€Ölß"), QStringLiteral("p|a\"s s\\w(o)r{d}%*")}) {
            const QString stored = EncodePassword(plain);
            const int head = stored.section(QLatin1Char('|'), 0, 0).toInt();
            QVERIFY2(head % 7 == 0 && head >= 7 && head <= 175, qPrintable(stored));
            QCOMPARE(DecodePassword(stored), plain);
        }
    }

    void decode_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("error");
        QTest::newRow("empty text") << "" << "" << 0;
        QTest::newRow("without | the password is empty") << "35" << "" << 0;
        QTest::newRow("half rounds to even") << "14|5|7" << QString(QChar(2)) + QChar(4) << 0;
        QTest::newRow("head not a number") << "x|97" << "" << 13;
        QTest::newRow("zero head") << "0|97" << "" << 11;
        QTest::newRow("code above 65535") << "7|65536" << "" << 5;
    }
    void decode() {
        QFETCH(QString, stored);
        QFETCH(QString, plain);
        QFETCH(int, error);
        try {
            QCOMPARE(DecodePassword(stored), plain);
            QCOMPARE(error, 0);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }
};

QTEST_GUILESS_MAIN(TestPassword)
#include "tst_password.moc"
