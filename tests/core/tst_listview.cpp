#include "core/listview.h"

#include <QtTest>

class TestListView : public QObject {
    Q_OBJECT
private slots:
    void rowsNumberedInDisplayOrder() {
        ListView list;
        list.AddColumn(QStringLiteral("A"), 900);
        QCOMPARE(list.AddRow(QStringLiteral("eins")), 1);
        QCOMPARE(list.AddRow(QStringLiteral("zwei")), 2);
        list.RemoveRow(1);
        QCOMPARE(list.Text(1, 0), QStringLiteral("zwei"));
        QCOMPARE(list.AddRow(QStringLiteral("drei")), 2);
    }

    // The notification window sorts its counts as text, descending.
    void sortDescendingComparesText() {
        ListView list;
        list.AddColumn(QStringLiteral("Account"), 900);
        list.AddColumn(QStringLiteral("E-Mails"), 900, ListView::Align::Center);
        for (const char* count : {"10", "Fehler", "0", "9"})
            list.SetSubItem(list.AddRow(QStringLiteral("a")), 1, QString::fromLatin1(count));
        list.SetBold(2, 1);
        list.SortDescending(1);
        QStringList sorted;
        for (int r = 1; r <= list.RowCount(); ++r)
            sorted << list.Text(r, 1);
        QCOMPARE(sorted, QStringList({"Fehler", "9", "10", "0"}));
        QVERIFY(list.IsBold(1, 1));  // the bold cell went with its row
        list.SetSubItem(list.AddRow(QStringLiteral("neu")), 1, QStringLiteral("5"));
        QCOMPARE(list.Text(3, 1), QStringLiteral("5"));  // still sorted
    }
};

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
