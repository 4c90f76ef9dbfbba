#include "dialogs/commdlg.h"
#include "modaldriver.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The names the file dialog lists, sorted.
QStringList Listed(QFileDialog* dialog) {
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
        names << view->model()->index(r, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

// Runs the file chooser with `step` driving the dialog (a dialog left open ends up cancelled).
QString Choose(const QString& folder, const QString& filter, const QString& extension,
               const std::function<void(QFileDialog*)>& step) {
    ModalWatchdog watchdog;
    QObject scope;
    OnNextModal(&scope, [step](QWidget* w) {
        if (auto* dialog = qobject_cast<QFileDialog*>(w))
            step(dialog);
    });
    QString inOutFolder = folder, name;
    qintptr owner = 0;
    qint32 flags = 6150;
    return ShowFileDialog(inOutFolder, filter, 1, extension, name, QStringLiteral("Datei öffnen"), owner, true, flags);
}
}  // namespace

class TestCommDlg : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        for (const char* name : {"klang.wav", "notiz.txt", "programm"}) {
            QFile f(dir_.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    // A filter given as a description lists the files of the pattern in its parentheses and shows
    // the description; cancelling gives "-".
    void descriptionFilterListsItsFiles_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("all files") << "Alle Dateien (*.*)" << QStringList{"klang.wav", "notiz.txt", "programm"};
        QTest::newRow("wave files") << "wav-Dateien (*.wav)" << QStringList{"klang.wav"};
    }
    void descriptionFilterListsItsFiles() {
        QFETCH(QString, filter);
        QFETCH(QStringList, listed);
        QString shown;
        QStringList names;
        const QString result = Choose(dir_.path(), filter, QString(), [&](QFileDialog* dialog) {
            shown = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
            // The folder is read in the background.
            (void)QTest::qWaitFor([&] { return Listed(dialog).size() >= listed.size(); }, 3000);
            names = Listed(dialog);
            dialog->reject();
        });
        QCOMPARE(result, QStringLiteral("-"));
        QCOMPARE(shown, filter);
        QCOMPARE(names, listed);
    }

    // A name typed without extension gets the default one; an empty folder is the current directory.
    void wavChooserAddsTheExtension() {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        const QString result = Choose(QString(), QStringLiteral("wav-Dateien (*.wav)"), QStringLiteral("wav"),
                                      [](QFileDialog* dialog) {
                                          QTest::keyClicks(dialog->findChild<QLineEdit*>("fileNameEdit"), "klang");
                                          static_cast<QDialog*>(dialog)->accept();
                                      });
        QDir::setCurrent(previous);
        QCOMPARE(result, QDir::toNativeSeparators(QDir(dir_.path()).filePath(QStringLiteral("klang.wav"))));
    }
};

QTEST_MAIN(TestCommDlg)
#include "tst_commdlg.moc"
