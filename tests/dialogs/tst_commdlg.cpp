#include "dialogs/commdlg.h"

#include <QtTest>

// The chooser's filters as Qt's file dialog takes them: the description stays as the caller wrote
// it (the dialog hides the trailing pattern), the patterns come from its last parentheses, and
// "*.*" is every file, also one without an extension.
class TestCommDlg : public QObject {
    Q_OBJECT

private slots:
    void nameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("wave files") << "wav-Dateien (*.wav)" << QStringList{"wav-Dateien (*.wav) (*.wav)"};
        QTest::newRow("all files") << "Alle Dateien (*.*)" << QStringList{"Alle Dateien (*.*) (*)"};
    }
    void nameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(CommDlg::NameFilters(filter), expected);
    }
};

QTEST_MAIN(TestCommDlg)
#include "tst_commdlg.moc"
