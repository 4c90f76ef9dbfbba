#include "core/listview.h"

#include <QtTest>

class TestListView : public QObject {
    Q_OBJECT
private slots:
    void columnsInTwipsWithAlignment() {
        ListView list;
        list.SetReportView();
        list.AddColumn(QStringLiteral("Uhrzeit"), 900);
        list.AddColumn(QStringLiteral("#"), 460, ListView::Align::Center);
        QCOMPARE(list.ColumnCount(), 2);
        QCOMPARE(list.columnWidth(0), 60);
        QCOMPARE(list.columnWidth(1), 31);
        QCOMPARE(list.headerItem()->text(1), QStringLiteral("#"));
        const int row = list.AddRow(QStringLiteral("12:00:00"));
        list.SetSubItem(row, 1, QStringLiteral("3"));
        QCOMPARE(list.topLevelItem(0)->textAlignment(1), int(Qt::AlignCenter));
        QVERIFY(list.editTriggers() == QAbstractItemView::NoEditTriggers);
    }

    void rowsNumberedInDisplayOrder() {
        ListView list;
        list.AddColumn(QStringLiteral("A"), 900);
        QCOMPARE(list.AddRow(QStringLiteral("eins")), 1);
        QCOMPARE(list.AddRow(QStringLiteral("zwei")), 2);
        QCOMPARE(list.AddRow(QStringLiteral("drei")), 3);
        list.RemoveRow(1);
        QCOMPARE(list.RowCount(), 2);
        QCOMPARE(list.Text(1, 0), QStringLiteral("zwei"));
        list.Clear();
        QCOMPARE(list.RowCount(), 0);
        QCOMPARE(list.ColumnCount(), 1);
        QCOMPARE(list.SelectedRow(), 0);
    }

    void sortDescendingComparesText() {
        ListView list;
        list.AddColumn(QStringLiteral("Account"), 900);
        list.AddColumn(QStringLiteral("E-Mails"), 900, ListView::Align::Center);
        const QStringList counts = {QStringLiteral("10"), QStringLiteral("Fehler"), QStringLiteral("0"), QStringLiteral("9")};
        for (const QString& c : counts)
            list.SetSubItem(list.AddRow(QStringLiteral("a") + c), 1, c);
        list.SetBold(2, 1);
        list.SortDescending(1);
        QStringList sorted;
        for (int r = 1; r <= list.RowCount(); ++r)
            sorted << list.Text(r, 1);
        QCOMPARE(sorted, QStringList({"Fehler", "9", "10", "0"}));
        QVERIFY(list.IsBold(1, 1));
        // stays sorted when rows are added later
        list.SetSubItem(list.AddRow(QStringLiteral("neu")), 1, QStringLiteral("5"));
        QCOMPARE(list.Text(3, 1), QStringLiteral("5"));
    }

    void colourAndSelection() {
        ListView list;
        list.AddColumn(QStringLiteral("A"), 900);
        list.AddColumn(QStringLiteral("B"), 900);
        list.AddRow(QStringLiteral("x"));
        const int row = list.AddRow(QStringLiteral("y"));
        list.SetColor(row, 1, QColor(128, 128, 128));
        QCOMPARE(list.Color(row, 1), QColor(128, 128, 128));
        list.setCurrentItem(list.topLevelItem(1));
        QCOMPARE(list.SelectedRow(), 2);
    }
};

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
