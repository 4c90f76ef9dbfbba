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
        QTest::newRow("umlaut from windows-1252") << QString::fromUtf8("ä") << 2 << "14|456";
        QTest::newRow("sharp s") << QString::fromUtf8("ß") << 25 << "175|5575";
        QTest::newRow("euro sign is 128") << QString::fromUtf8("€") << 1 << "7|128";
        QTest::newRow("empty password is the factor alone") << "" << 4 << "28";
    }
    void fixedVectors() {
        QFETCH(QString, plain);
        QFETCH(int, k);
        QFETCH(QString, stored);
        QCOMPARE(EncodePassword(plain, k), stored);
        QCOMPARE(DecodePassword(stored), plain);
    }

    void roundTripWithDrawnFactor_data() {
        QTest::addColumn<QString>("plain");
        QTest::newRow("simple") << "geheim";
        QTest::newRow("umlauts") << QString::fromUtf8("Grüße€Ölß");
        QTest::newRow("specials") << "p|a\"s s\\w(o)r{d}%*";
        QTest::newRow("empty") << "";
    }
    void roundTripWithDrawnFactor() {
        QFETCH(QString, plain);
        for (int i = 0; i < 20; ++i) {
            const QString stored = EncodePassword(plain);
            const int head = stored.section(QLatin1Char('|'), 0, 0).toInt();
            QVERIFY2(head % PasswordMultiplier == 0 && head / PasswordMultiplier >= 1 && head / PasswordMultiplier <= 25,
                     qPrintable(stored));
            QCOMPARE(DecodePassword(stored), plain);
        }
    }

    void factorIsDrawnAnew() {
        QSet<QString> forms;
        for (int i = 0; i < 40; ++i) {
            forms.insert(EncodePassword(QStringLiteral("x")));
            QTest::qWait(3);
        }
        QVERIFY2(forms.size() > 1, "the same factor every time");
    }

    void characterOutsideWindows1252BecomesQuestionMark() {
        QCOMPARE(EncodePassword(QString::fromUtf8("Ł"), 1), QStringLiteral("7|63"));
    }

    void storedTextWithoutBarIsEmpty_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << "";
        QTest::newRow("number only") << "35";
        QTest::newRow("garbage only") << "xyz";
    }
    void storedTextWithoutBarIsEmpty() {
        QFETCH(QString, stored);
        QCOMPARE(DecodePassword(stored), QString());
    }

    void damagedStoredTextRaises_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("number");
        QTest::newRow("head not a number") << "x|97" << 13;
        QTest::newRow("field not a number") << "7|9a" << 13;
        QTest::newRow("zero head") << "0|97" << 11;
        QTest::newRow("code above 255") << "7|300" << 5;
    }
    void damagedStoredTextRaises() {
        QFETCH(QString, stored);
        QFETCH(int, number);
        try {
            DecodePassword(stored);
            QFAIL("no error raised");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), number);
        }
    }

    void decodeRoundsHalfToEven() {
        // 7 * 2 = 14 -> k = 2; 5 / 2 = 2.5 rounds to 2, 7 / 2 = 3.5 rounds to 4
        QCOMPARE(DecodePassword(QStringLiteral("14|5|7")), QString(QChar(2)) + QChar(4));
    }
};

QTEST_GUILESS_MAIN(TestPassword)
#include "tst_password.moc"
