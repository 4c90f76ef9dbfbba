#include "check/protocollist.h"
#include "core/listview.h"
#include "core/timeofday.h"
#include "core/twips.h"

#include <QHeaderView>
#include <QtTest>

class TestProtocolList : public QObject {
    Q_OBJECT
private slots:
    void columns_data() {
        QTest::addColumn<bool>("resultList");
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QList<int>>("twips");
        QTest::addColumn<int>("centredColumn");
        QTest::newRow("protocol list") << false << QStringList{"Uhrzeit", "Client command / Server response"} << QList<int>{900, 4780} << -1;
        QTest::newRow("result list") << true << QStringList{"Uhrzeit", "Account", "Mailbox", "#"} << QList<int>{900, 1750, 1000, 460} << 3;
    }
    void columns() {
        QFETCH(bool, resultList);
        QFETCH(QStringList, headers);
        QFETCH(QList<int>, twips);
        QFETCH(int, centredColumn);
        ListView list;
        resultList ? SetUpResultList(list) : SetUpProtocolList(list);
        QCOMPARE(list.ColumnCount(), headers.size());
        for (int c = 0; c < headers.size(); ++c) {
            QCOMPARE(list.headerItem()->text(c), headers.at(c));
            QCOMPARE(list.columnWidth(c), Px(twips.at(c)));
            const bool centred = list.headerItem()->textAlignment(c) & Qt::AlignHCenter;
            QCOMPARE(centred, c == centredColumn);
        }
        QVERIFY(!list.isHeaderHidden());
        QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void entryHoldsTimeAndText() {
        ListView list;
        SetUpProtocolList(list);
        const QString before = TimeOfDayText();
        AppendProtocolEntry(list, QStringLiteral("A001 LOGIN maria"));
        AppendProtocolEntry(list, QString());
        const QString after = TimeOfDayText();
        QCOMPARE(list.RowCount(), 2);
        QVERIFY(list.Text(1, 0) == before || list.Text(1, 0) == after);
        QCOMPARE(list.Text(1, 1), QStringLiteral("A001 LOGIN maria"));
        // An entry with an empty text shows the time alone.
        QVERIFY(!list.Text(2, 0).isEmpty());
        QCOMPARE(list.Text(2, 1), QString());
    }

    void keepsTheNewest200InView_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("first");
        QTest::newRow("200 stay") << 200 << 1;
        QTest::newRow("201 drop the oldest") << 201 << 2;
        QTest::newRow("450") << 450 << 251;
    }
    void keepsTheNewest200InView() {
        QFETCH(int, entries);
        QFETCH(int, first);
        ListView list;
        SetUpProtocolList(list);
        list.resize(400, 150);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (int i = 1; i <= entries; ++i)
            AppendProtocolEntry(list, QString::number(i));
        QCOMPARE(list.RowCount(), MaxProtocolEntries > entries ? entries : MaxProtocolEntries);
        QCOMPARE(list.Text(1, 1), QString::number(first));
        QCOMPARE(list.Text(list.RowCount(), 1), QString::number(entries));
        const QRect newest = list.visualItemRect(list.topLevelItem(list.RowCount() - 1));
        QVERIFY(list.viewport()->rect().contains(newest));
        const QRect oldest = list.visualItemRect(list.topLevelItem(0));
        QVERIFY(!list.viewport()->rect().intersects(oldest));
    }

    void trimmingAFullerListAtOnce() {
        ListView list;
        SetUpProtocolList(list);
        for (int i = 1; i <= 205; ++i)
            list.SetSubItem(list.AddRow(QStringLiteral("12:00:00")), 1, QString::number(i));
        TrimProtocolList(list);
        QCOMPARE(list.RowCount(), 200);
        QCOMPARE(list.Text(1, 1), QStringLiteral("6"));
    }
};

QTEST_MAIN(TestProtocolList)
#include "tst_protocollist.moc"
