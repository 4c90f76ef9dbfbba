#include "dialogs/commdlg.h"
#include "modaldriver.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
// What the file dialog showed when it opened, and the names it listed.
struct Shown {
    bool opened = false;
    QString title;
    QString directory;
    QString nameField;
    QString filterShown;
    QStringList listed;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QWidget* parent = nullptr;
};

QStringList Listed(QFileDialog* dialog) {
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    if (!view || !view->model())
        return names;
    const QModelIndex root = view->rootIndex();
    for (int r = 0; r < view->model()->rowCount(root); ++r)
        names << view->model()->index(r, 0, root).data().toString();
    names.sort();
    return names;
}

// Records the next file dialog; `listedCount` waits (briefly) until that many names are listed.
// Then types `typed` into the name field and accepts, or cancels when `typed` is null.
void DriveNextChooser(QObject* scope, Shown* shown, const QString& typed, int listedCount = 0) {
    OnNextModal(scope, [shown, typed, listedCount](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return;
        shown->opened = true;
        shown->title = dialog->windowTitle();
        shown->directory = dialog->directory().absolutePath();
        auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        shown->nameField = nameField ? nameField->text() : QString();
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        shown->filterShown = types ? types->currentText() : QString();
        shown->mode = dialog->acceptMode();
        shown->parent = dialog->parentWidget();
        if (listedCount > 0) {
            // The folder is read in the background.
            (void)QTest::qWaitFor([&] { return Listed(dialog).size() >= listedCount; }, 3000);
            QTest::qWait(20);  // a name that should not be listed would have come with the others
            shown->listed = Listed(dialog);
        }
        if (typed.isNull()) {
            dialog->reject();
            return;
        }
        if (nameField) {
            nameField->clear();
            QTest::keyClicks(nameField, typed);
        }
        static_cast<QDialog*>(dialog)->accept();
    });
}

void Touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}
}  // namespace

class TestCommDlg : public QObject {
    Q_OBJECT
private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        for (const char* name : {"klang.wav", "notiz.txt", "programm"})
            Touch(dir_->filePath(QLatin1String(name)));
        watchdog_ = std::make_unique<ModalWatchdog>();
    }
    void cleanup() {
        QVERIFY2(!watchdog_->fired(), "a modal window was left open");
        watchdog_.reset();
        dir_.reset();
    }

    void nameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all files: with or without extension")
            << "Alle Dateien (*.*)" << QStringList{"Alle Dateien (*.*) (*)"};
        QTest::newRow("wave files") << "wav-Dateien (*.wav)" << QStringList{"wav-Dateien (*.wav) (*.wav)"};
        QTest::newRow("description without pattern") << "Programme" << QStringList{"Programme (*)"};
        QTest::newRow("last parentheses") << "Klang (alt) (*.wav;*.wave)"
                                          << QStringList{"Klang (alt) (*.wav;*.wave) (*.wav *.wave)"};
        QTest::newRow("pairs with their patterns")
            << QString(QStringLiteral("Wave|*.wav;*.WAV|Alle|*.*||")).replace(QLatin1Char('|'), QChar(0))
            << QStringList{"Wave (*.wav *.WAV)", "Alle (*)"};
        QTest::newRow("empty: every file") << "" << QStringList{"* (*)"};
    }
    void nameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(CommDlg::NameFilters(filter), expected);
    }

    // Each entry lists the files its own pattern names and shows the caller's description.
    void filterListsTheFilesItNames_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("all files") << "Alle Dateien (*.*)" << QStringList{"klang.wav", "notiz.txt", "programm"};
        QTest::newRow("wave files") << "wav-Dateien (*.wav)" << QStringList{"klang.wav"};
    }
    void filterListsTheFilesItNames() {
        QFETCH(QString, filter);
        QFETCH(QStringList, listed);
        QObject scope;
        Shown shown;
        DriveNextChooser(&scope, &shown, QString(), listed.size());
        QString folder = dir_->path();
        QString name;
        qintptr owner = 0;
        qint32 flags = 6150;
        ShowFileDialog(folder, filter, 1, QString(), name, QStringLiteral("Datei öffnen"), owner, true, flags);
        QVERIFY(shown.opened);
        QCOMPARE(shown.filterShown, filter);
        QCOMPARE(shown.listed, listed);
    }

    void cancelGivesDashAndKeepsTheFlags() {
        QObject scope;
        Shown shown;
        DriveNextChooser(&scope, &shown, QString());
        QString folder = dir_->path();
        QString name;
        qintptr owner = 0;
        qint32 flags = 6150;
        const QString result = ShowFileDialog(folder, QStringLiteral("Alle Dateien (*.*)"), 1, QString(), name,
                                              QStringLiteral("Datei öffnen"), owner, true, flags);
        QCOMPARE(result, QStringLiteral("-"));
        QCOMPARE(flags, 6150);
        QCOMPARE(shown.title, QString::fromUtf8("Datei öffnen"));
        QCOMPARE(shown.directory, QDir(dir_->path()).absolutePath());
        QCOMPARE(shown.mode, QFileDialog::AcceptOpen);
        // The caller's name is left padded to the length of the file buffer.
        QCOMPARE(name, QString(255, QChar(0)));
    }

    void defaultExtensionIsAddedToATypedName_data() {
        QTest::addColumn<bool>("openMode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("extensionDifferent");
        QTest::newRow("open, typed without extension") << true << "klang" << "klang.wav" << false;
        QTest::newRow("open, typed with another extension") << true << "notiz.txt" << "notiz.txt" << true;
        QTest::newRow("save, a new name") << false << "neu" << "neu.wav" << false;
    }
    void defaultExtensionIsAddedToATypedName() {
        QFETCH(bool, openMode);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QFETCH(bool, extensionDifferent);
        QObject scope;
        Shown shown;
        DriveNextChooser(&scope, &shown, typed);
        QString folder = dir_->path();
        QString name = QStringLiteral("*.wav");
        qintptr owner = 0;
        qint32 flags = 6150;
        const QString result = ShowFileDialog(folder, QStringLiteral("wav-Dateien (*.wav)"), 1, QStringLiteral("wav"),
                                              name, QStringLiteral("Datei öffnen"), owner, openMode, flags);
        QCOMPARE(shown.nameField, QStringLiteral("*.wav"));
        QCOMPARE(shown.mode, openMode ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        QCOMPARE(result, QDir::toNativeSeparators(QDir(dir_->path()).filePath(chosen)));
        QVERIFY(!result.contains(QChar(0)));
        QCOMPARE(bool(flags & CommDlg::ExtensionDifferent), extensionDifferent);
        QCOMPARE(flags & ~CommDlg::ExtensionDifferent, 6150);
    }

    void emptyFolderIsTheCurrentDirectory() {
        QObject scope;
        Shown shown;
        DriveNextChooser(&scope, &shown, QString());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        QString folder;
        QString name;
        qintptr owner = 0;
        qint32 flags = 0;
        ShowFileDialog(folder, QString(), 1, QString(), name, QString(), owner, true, flags);
        QDir::setCurrent(previous);
        QCOMPARE(folder, QDir::toNativeSeparators(QDir(dir_->path()).absolutePath()));
        QCOMPARE(shown.directory, QDir(dir_->path()).absolutePath());
    }

    void ownerMinusOneIsTheActiveWindow() {
        QWidget window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QObject scope;
        Shown shown;
        DriveNextChooser(&scope, &shown, QString());
        QString folder = dir_->path();
        QString name;
        qintptr owner = CommDlg::ActiveWindow;
        qint32 flags = 0;
        ShowFileDialog(folder, QString(), 1, QString(), name, QString(), owner, true, flags);
        QCOMPARE(owner, CommDlg::WindowHandle(&window));
        QVERIFY(owner != 0);
        QCOMPARE(shown.parent, &window);
    }

    void multipleChoiceGivesFolderAndNames() {
        QObject scope;
        OnNextModal(&scope, [](QWidget* w) {
            if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
                auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (nameField)
                    nameField->setText(QStringLiteral("\"klang.wav\" \"notiz.txt\""));
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        QString folder = dir_->path();
        QString name;
        qintptr owner = 0;
        qint32 flags = CommDlg::AllowMultiSelect | CommDlg::FileMustExist;
        const QString result = ShowFileDialog(folder, QString(), 1, QString(), name, QString(), owner, true, flags);
        const QString nul(QChar(0));
        QCOMPARE(result, QDir::toNativeSeparators(QDir(dir_->path()).absolutePath()) + nul + "klang.wav" + nul +
                             "notiz.txt" + nul + nul);
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ModalWatchdog> watchdog_;
};

QTEST_MAIN(TestCommDlg)
#include "tst_commdlg.moc"
