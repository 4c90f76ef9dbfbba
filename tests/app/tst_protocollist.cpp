#include "app/protocollist.h"
#include "core/listview.h"
#include "core/twips.h"

#include <QtTest>

class TestProtocolList : public QObject {
    Q_OBJECT
private slots:
    void keepsTheNewest200InView() {
        ListView list;
        SetUpProtocolList(list);
        list.resize(Px(6015), 150);  // as wide as in the main window
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (int i = 1; i <= 201; ++i)
            AppendProtocolEntry(list, QString::number(i));
        QCOMPARE(list.RowCount(), 200);
        QCOMPARE(list.Text(1, 1), QStringLiteral("2"));
        QCOMPARE(list.Text(200, 1), QStringLiteral("201"));
        QVERIFY(list.viewport()->rect().contains(list.visualItemRect(list.topLevelItem(199))));
        QVERIFY(!list.viewport()->rect().intersects(list.visualItemRect(list.topLevelItem(0))));
    }
};

QTEST_MAIN(TestProtocolList)
#include "tst_protocollist.moc"
