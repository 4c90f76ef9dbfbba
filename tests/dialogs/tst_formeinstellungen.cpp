#include "core/account.h"
#include "core/forms.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "core/shell.h"
#include "core/sound.h"
#include "core/translation.h"
#include "core/twips.h"
#include "dialogs/formaccount.h"
#include "dialogs/formeinstellungen.h"
#include "modaldriver.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QtTest>
#include <memory>

namespace {
Account MakeAccount(int n) {
    Account a;
    a.EMail = QStringLiteral("user%1@example.org").arg(n);
    a.Server = QStringLiteral("imap%1.example.org").arg(n);
    a.Port = qint16(140 + n);
    a.Username = QStringLiteral("user%1").arg(n);
    a.Password = QStringLiteral("geheim%1").arg(n);
    a.Mailbox = QStringLiteral("INBOX.%1").arg(n);
    return a;
}

// Accounts 1..n in memory and in the store.
void StoreAccounts(int n) {
    Accounts = QVector<Account>(1);
    for (int i = 1; i <= n; ++i)
        Accounts.append(MakeAccount(i));
    SaveAccounts();
}

QStringList Row(const formEinstellungen* d, int row) {
    QStringList cells;
    for (int c = 0; c < 4; ++c)
        cells << d->ListView1->Text(row, c);
    return cells;
}

QStringList RowOf(int id, int account) {
    const Account a = MakeAccount(account);
    return {QString::number(id), a.EMail, a.Mailbox, a.Server};
}

QList<QStringList> Rows(const formEinstellungen* d) {
    QList<QStringList> rows;
    for (int r = 1; r <= d->ListView1->RowCount(); ++r)
        rows << Row(d, r);
    return rows;
}

void Select(formEinstellungen* d, int row) {
    QTreeWidgetItem* item = d->ListView1->topLevelItem(row - 1);
    d->ListView1->setCurrentItem(item);
    item->setSelected(true);
}

QString EMails() {
    QStringList mails;
    for (int i = 1; i <= AccountCount(); ++i)
        mails << Accounts.at(i).EMail;
    return mails.join(QLatin1Char(','));
}
}  // namespace

class TestFormEinstellungen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(InstallGermanTranslation()); }

    void init() {
        env_ = std::make_unique<TestEnvironment>();
        watchdog_ = std::make_unique<ModalWatchdog>();
    }
    void cleanup() {
        if (formEinstellungen* d = formEinstellungen::Instance())
            d->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!watchdog_->fired(), "a modal window was left open");
        watchdog_.reset();
        Forms::PressMainCommand6 = {};
        Forms::ShowImport = {};
        env_.reset();
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char* name, const char* parent, const char* caption, int l, int t, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent)
                                << QString::fromUtf8(caption) << QRect(l, t, w, h);
        };
        row("Shape1", "formEinstellungen", "", 0, 0, 7095, 495);
        row("Frame1", "formEinstellungen", "IMAP Accounts", 120, 600, 6855, 3615);
        row("ListView1", "Frame1", "", 240, 360, 6375, 2055);
        row("Command5", "Frame1", "Account bearbeiten", 240, 2520, 2055, 375);
        row("Command9", "Frame1", "Account kopieren", 2400, 2520, 2055, 375);
        row("Command1", "Frame1", "Account löschen", 4560, 2520, 2055, 375);
        row("Command6", "Frame1", "Neuen Account hinzufügen", 240, 3000, 3135, 375);
        row("Command2", "Frame1", "Outlook Express Accounts importieren", 3480, 3000, 3135, 375);
        row("Frame3", "formEinstellungen", "Allgemeine Einstellungen", 120, 4440, 6855, 1215);
        row("Label7", "Frame3", "Kontroll-Intervall (Minuten)", 240, 400, 2775, 255);
        row("Text6", "Frame3", "5", 2160, 360, 495, 285);
        row("Label8", "Frame3", "E-Mail Programm", 240, 760, 2175, 255);
        row("Text7", "Frame3", "", 2160, 720, 3855, 285);
        row("Command7", "Frame3", "...", 6120, 720, 495, 285);
        row("Frame2", "formEinstellungen", "Benachrichtigungs Einstellungen", 120, 5880, 6855, 2175);
        row("Check2", "Frame2", "Benachrichtigungsfenster anzeigen", 240, 360, 3135, 255);
        row("Check3", "Frame2", "Balloon-Tip im System-Tray anzeigen", 3600, 360, 3135, 255);
        row("Check1", "Frame2", "Benachrichtigungsfenster hat Fokus", 600, 630, 3015, 255);
        row("Command11", "Frame2", "Test-Balloon anzeigen", 3960, 630, 2655, 255);
        row("Option3", "Frame2", "kein Ton", 240, 1080, 1335, 255);
        row("Option1", "Frame2", "System-Beep", 240, 1390, 2775, 255);
        row("Option2", "Frame2", "Wave-Datei (*.wav) :", 240, 1710, 2895, 255);
        row("Text9", "Frame2", "", 2040, 1680, 3615, 285);
        row("Command8", "Frame2", "...", 5760, 1680, 495, 285);
        row("Command10", "Frame2", "", 6360, 1680, 285, 285);
        row("Command3", "formEinstellungen", "Änderungen speichern", 120, 8160, 3135, 375);
        row("Command4", "formEinstellungen", "Abbrechen", 3360, 8160, 3015, 375);
        row("Command13", "formEinstellungen", "?", 6480, 8160, 495, 375);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        Settings.EMailProgramm.clear();
        Settings.SoundDatei.clear();
        formEinstellungen* d = formEinstellungen::ShowInstance();
        auto* w = d->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height())));
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            text = frame->title();
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            text = edit->text();
        QCOMPARE(text, caption);
        QVERIFY(w->isVisible());
    }

    void windowAndList() {
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(d->windowTitle(), QStringLiteral("Postfalke Einstellungen"));
        QCOMPARE(d->minimumSize(), QSize(Px(7095), Px(8655)));
        QCOMPARE(d->maximumSize(), d->minimumSize());
        QCOMPARE(d->Label1->text(), QStringLiteral("Einstellungen"));
        QVERIFY(d->Label1->font().bold());
        QVERIFY(!d->Command12->isVisible());
        QVERIFY(!d->Command10->icon().isNull());
        QCOMPARE(d->Command10->iconSize(), QSize(12, 16));
        QVERIFY((d->frameGeometry().center() - d->screen()->availableGeometry().center()).manhattanLength() <= 4);

        const QStringList headers = {"ID", "E-Mail Adresse", "Mailbox", "Server"};
        const QList<int> widths = {400, 2560, 1310, 1660};
        const QList<bool> centred = {false, false, true, true};
        QCOMPARE(d->ListView1->ColumnCount(), 4);
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(d->ListView1->headerItem()->text(c), headers.at(c));
            QCOMPARE(d->ListView1->columnWidth(c), Px(widths.at(c)));
            QCOMPARE(bool(d->ListView1->headerItem()->textAlignment(c) & Qt::AlignHCenter), centred.at(c));
        }
        QCOMPARE(d->ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);

        const QStringList order = {"ListView1", "Command5", "Command9", "Command1", "Command6", "Command2",
                                   "Text6", "Text7", "Command7", "Check2", "Check3", "Check1", "Command11",
                                   "Option3", "Option1", "Option2", "Text9", "Command8", "Command10",
                                   "Command3", "Command4", "Command13"};
        QStringList seen;
        QWidget* w = d->ListView1;
        do {
            if (order.contains(w->objectName()))
                seen << w->objectName();
            w = w->nextInFocusChain();
        } while (w != d->ListView1);
        QCOMPARE(seen, order);
    }

    void loadStepShowsAccountsAndSettings() {
        StoreAccounts(2);
        Settings.KontrollIntervall = 15;
        Settings.EMailProgramm = QStringLiteral("/usr/bin/thunderbird");
        Settings.SoundDatei = QStringLiteral("/tmp/neu.wav");
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QCOMPARE(Rows(d), (QList<QStringList>{RowOf(1, 1), RowOf(2, 2)}));
        QCOMPARE(d->ListView1->topLevelItem(0)->textAlignment(2), int(Qt::AlignCenter));
        QCOMPARE(d->Text6->text(), QStringLiteral("15"));
        QCOMPARE(d->Text7->text(), QStringLiteral("/usr/bin/thunderbird"));
        QCOMPARE(d->Text9->text(), QStringLiteral("/tmp/neu.wav"));
    }

    // The options show the stored Sound; saving without choosing keeps a value they cannot show.
    void soundOption_data() {
        QTest::addColumn<int>("sound");
        QTest::addColumn<QString>("selected");
        QTest::newRow("none") << 0 << "Option3";
        QTest::newRow("system beep") << 1 << "Option1";
        QTest::newRow("wave file") << 2 << "Option2";
        QTest::newRow("7: no option") << 7 << "";
        QTest::newRow("-1: no option") << -1 << "";
    }
    void soundOption() {
        QFETCH(int, sound);
        QFETCH(QString, selected);
        Settings.Sound = qint16(sound);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        for (QRadioButton* option : {d->Option1, d->Option2, d->Option3})
            QCOMPARE(option->isChecked(), option->objectName() == selected);
        d->Command3->click();
        QCOMPARE(int(Settings.Sound), sound);
        QCOMPARE(QSettings(env_->storeFile(), QSettings::IniFormat).value("Einstellungen/Sound").toString(),
                 QString::number(sound));
    }

    void optionsAreOneGroupAndSavedAsNumbers_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("sound");
        QTest::newRow("kein Ton") << "Option3" << 0;
        QTest::newRow("System-Beep") << "Option1" << 1;
        QTest::newRow("Wave-Datei") << "Option2" << 2;
    }
    void optionsAreOneGroupAndSavedAsNumbers() {
        QFETCH(QString, chosen);
        QFETCH(int, sound);
        Settings.Sound = 7;
        formEinstellungen* d = formEinstellungen::ShowInstance();
        d->Option1->click();
        d->findChild<QRadioButton*>(chosen)->click();
        QCOMPARE(d->Option1->isChecked(), chosen == QLatin1String("Option1"));
        d->Command3->click();
        QCOMPARE(int(Settings.Sound), sound);
    }

    void checkBoxes_data() {
        QTest::addColumn<int>("fokus");
        QTest::addColumn<int>("fenster");
        QTest::addColumn<int>("balloon");
        QTest::newRow("all off") << 0 << 0 << 0;
        QTest::newRow("all on") << 1 << 1 << 1;
        QTest::newRow("focus without window") << 1 << 0 << 0;
        QTest::newRow("balloon only") << 0 << 0 << 1;
    }
    void checkBoxes() {
        QFETCH(int, fokus);
        QFETCH(int, fenster);
        QFETCH(int, balloon);
        Settings.BenachrichtigungFokus = qint16(fokus);
        Settings.Benachrichtigungsfenster = qint16(fenster);
        Settings.BalloonTip = qint16(balloon);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QCOMPARE(d->Check1->isChecked(), fokus == 1);
        QCOMPARE(d->Check2->isChecked(), fenster == 1);
        QCOMPARE(d->Check3->isChecked(), balloon == 1);
        // Each box is independent: flip all, save, and the record holds the flipped states.
        d->Check1->click();
        d->Check2->click();
        d->Check3->click();
        d->Command3->click();
        QCOMPARE(int(Settings.BenachrichtigungFokus), 1 - fokus);
        QCOMPARE(int(Settings.Benachrichtigungsfenster), 1 - fenster);
        QCOMPARE(int(Settings.BalloonTip), 1 - balloon);
        QSettings store(env_->storeFile(), QSettings::IniFormat);
        QCOMPARE(store.value("Einstellungen/BalloonTip").toString(), QString::number(1 - balloon));
    }

    void oneInstance() {
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QCOMPARE(formEinstellungen::Instance(), d);
        d->Text6->setText(QStringLiteral("42"));
        // Opening again shows the same window; its load step does not run again.
        QCOMPARE(formEinstellungen::ShowInstance(), d);
        QCOMPARE(d->Text6->text(), QStringLiteral("42"));
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<formEinstellungen*>(w) != nullptr; }),
                 1);
        QPointer<formEinstellungen> old = d;
        d->Command4->click();
        QCOMPARE(formEinstellungen::Instance(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
        formEinstellungen* fresh = formEinstellungen::ShowInstance();
        QCOMPARE(fresh->Text6->text(), QStringLiteral("5"));
    }

    void addEditCopyThroughTheButtons() {
        StoreAccounts(2);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QObject scope;

        // Add.
        QWidget* editorParent = nullptr;
        OnNextModal(&scope, [&editorParent](QWidget* w) {
            auto* e = qobject_cast<formAccount*>(w);
            if (!e)
                return;
            editorParent = e->parentWidget();
            e->Text1->setText(QStringLiteral("neu@example.org"));
            e->Text2->setText(QStringLiteral("imap.neu"));
            e->Text4->setText(QStringLiteral("neu"));
            e->Text5->setText(QStringLiteral("pw"));
            e->Command2->click();
        });
        d->Command6->click();
        QCOMPARE(editorParent, d);
        QCOMPARE(d->ListView1->RowCount(), 3);
        QCOMPARE(Row(d, 3), (QStringList{"3", "neu@example.org", "INBOX", "imap.neu"}));

        // Edit the selected account.
        Select(d, 2);
        QString label10;
        OnNextModal(&scope, [&label10](QWidget* w) {
            auto* e = qobject_cast<formAccount*>(w);
            if (!e)
                return;
            label10 = e->Label10->text();
            e->Text2->setText(QStringLiteral("geaendert.example.org"));
            e->Command2->click();
        });
        d->Command5->click();
        QCOMPARE(label10, QStringLiteral("2"));
        QCOMPARE(Row(d, 2).at(3), QStringLiteral("geaendert.example.org"));

        // Copy the selected account: it opens without the password.
        Select(d, 1);
        QString passwordShown = QStringLiteral("not opened");
        OnNextModal(&scope, [&passwordShown](QWidget* w) {
            auto* e = qobject_cast<formAccount*>(w);
            if (!e)
                return;
            passwordShown = e->Text5->text();
            e->Text5->setText(QStringLiteral("pw"));
            e->Command2->click();
        });
        d->Command9->click();
        QCOMPARE(passwordShown, QString());
        QCOMPARE(d->ListView1->RowCount(), 4);
        QCOMPARE(Row(d, 4), RowOf(4, 1));
        // Cancelled editor: the list is refilled all the same and unchanged.
        Select(d, 1);
        OnNextModal(&scope, [](QWidget* w) {
            if (auto* e = qobject_cast<formAccount*>(w))
                e->Command6->click();
        });
        d->Command5->click();
        QCOMPARE(d->ListView1->RowCount(), 4);
    }

    void doubleClickEditsTheRow() {
        StoreAccounts(3);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QObject scope;
        QString label10;
        OnNextModal(&scope, [&label10](QWidget* w) {
            if (auto* e = qobject_cast<formAccount*>(w)) {
                label10 = e->Label10->text();
                e->Command6->click();
            }
        });
        const QRect cell = d->ListView1->visualItemRect(d->ListView1->topLevelItem(2));
        QTest::mouseClick(d->ListView1->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(d->ListView1->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(label10, QStringLiteral("3"));
    }

    // Edit, copy and delete need a selected row; without one they do nothing.
    void noSelectedRowDoesNothing_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("accounts");
        for (const char* button : {"Command5", "Command9", "Command1"}) {
            QTest::addRow("%s, empty list", button) << button << 0;
            QTest::addRow("%s, nothing selected", button) << button << 2;
        }
    }
    void noSelectedRowDoesNothing() {
        QFETCH(QString, button);
        QFETCH(int, accounts);
        StoreAccounts(accounts);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QCOMPARE(d->ListView1->SelectedRow(), 0);
        QObject scope;
        QWidget* opened = nullptr;
        OnNextModal(&scope, [&opened](QWidget* w) {
            opened = w;
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->done(QDialog::Rejected);
        });
        d->findChild<QPushButton*>(button)->click();
        QTest::qWait(0);
        QCOMPARE(opened, nullptr);
        QCOMPARE(AccountCount(), accounts);
        QCOMPARE(d->ListView1->RowCount(), accounts);
    }

    void deleteAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("left");
        QTest::newRow("Ja: the others move up") << true << "user1@example.org,user3@example.org";
        QTest::newRow("Nein: nothing changes") << false << "user1@example.org,user2@example.org,user3@example.org";
    }
    void deleteAsksFirst() {
        QFETCH(bool, yes);
        QFETCH(QString, left);
        StoreAccounts(3);
        const QByteArray stored = env_->read(QStringLiteral("config/Postfalke/Postfalke.conf"));
        formEinstellungen* d = formEinstellungen::ShowInstance();
        Select(d, 2);
        QObject scope;
        BoxSeen box;
        AnswerNextBox(&scope, &box, yes ? QMessageBox::Yes : QMessageBox::No);
        d->Command1->click();
        QCOMPARE(box.text, QString::fromUtf8("\r\nSoll der Account \"user2@example.org\" wirklich gelöscht werden?\r\n"));
        QCOMPARE(box.title, QStringLiteral("Postfalke"));
        QCOMPARE(box.icon, QMessageBox::Question);
        box.buttons.sort();
        QCOMPARE(box.buttons, (QStringList{"Ja", "Nein"}));
        QCOMPARE(EMails(), left);
        if (yes)
            QCOMPARE(Rows(d), (QList<QStringList>{RowOf(1, 1), RowOf(2, 3)}));
        else
            QCOMPARE(d->ListView1->RowCount(), 3);
        // In memory only.
        QCOMPARE(env_->read(QStringLiteral("config/Postfalke/Postfalke.conf")), stored);
    }

    void deletingTheOnlyAccountLeavesAnEmptyList() {
        StoreAccounts(1);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        Select(d, 1);
        QObject scope;
        BoxSeen box;
        AnswerNextBox(&scope, &box, QMessageBox::Yes);
        d->Command1->click();
        QCOMPARE(AccountCount(), 0);
        QCOMPARE(d->ListView1->RowCount(), 0);
    }

    // Every way out but saving brings the stored list back and leaves the settings alone.
    void leavingWithoutSaving_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Abbrechen") << "button";
        QTest::newRow("Esc key") << "esc";
        QTest::newRow("close box") << "close";
    }
    void leavingWithoutSaving() {
        QFETCH(QString, how);
        StoreAccounts(3);
        const SettingsRecord before = Settings;
        const QByteArray stored = env_->read(QStringLiteral("config/Postfalke/Postfalke.conf"));
        formEinstellungen* d = formEinstellungen::ShowInstance();
        Select(d, 2);
        QObject scope;
        BoxSeen box;
        AnswerNextBox(&scope, &box, QMessageBox::Yes);
        d->Command1->click();
        QCOMPARE(AccountCount(), 2);
        d->Text6->setText(QStringLiteral("9"));
        d->Text7->setText(QStringLiteral("/anderes/programm"));
        d->Text9->setText(QStringLiteral("/anderer/klang.wav"));
        d->Option3->click();
        d->Check3->click();

        if (how == QLatin1String("button"))
            d->Command4->click();
        else if (how == QLatin1String("esc"))
            QTest::keyClick(d->Text7, Qt::Key_Escape);
        else
            d->close();
        QCOMPARE(formEinstellungen::Instance(), nullptr);
        QCOMPARE(EMails(), QStringLiteral("user1@example.org,user2@example.org,user3@example.org"));
        QCOMPARE(Settings.KontrollIntervall, before.KontrollIntervall);
        QCOMPARE(Settings.EMailProgramm, before.EMailProgramm);
        QCOMPARE(Settings.SoundDatei, before.SoundDatei);
        QCOMPARE(Settings.Sound, before.Sound);
        QCOMPARE(Settings.BalloonTip, before.BalloonTip);
        QCOMPARE(env_->read(QStringLiteral("config/Postfalke/Postfalke.conf")), stored);
    }

    void saveWritesStoreAndSettings() {
        StoreAccounts(3);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        Select(d, 3);
        QObject scope;
        BoxSeen box;
        AnswerNextBox(&scope, &box, QMessageBox::Yes);
        d->Command1->click();
        d->Text6->setText(QStringLiteral("1,5"));
        d->Text7->setText(QStringLiteral("/usr/bin/mutt"));
        d->Text9->setText(QStringLiteral("/home/klang.wav"));
        d->Option2->click();
        d->Check1->setChecked(true);
        d->Check2->setChecked(false);
        d->Check3->setChecked(true);
        d->Command3->click();

        QCOMPARE(formEinstellungen::Instance(), nullptr);
        // In force at once for the running program.
        QCOMPARE(int(Settings.KontrollIntervall), 2);
        QCOMPARE(Settings.EMailProgramm, QStringLiteral("/usr/bin/mutt"));
        QCOMPARE(Settings.SoundDatei, QStringLiteral("/home/klang.wav"));
        QCOMPARE(int(Settings.Sound), 2);
        QCOMPARE(int(Settings.BenachrichtigungFokus), 1);
        QCOMPARE(int(Settings.Benachrichtigungsfenster), 0);
        QCOMPARE(int(Settings.BalloonTip), 1);
        QSettings store(env_->storeFile(), QSettings::IniFormat);
        store.beginGroup(QStringLiteral("Einstellungen"));
        QCOMPARE(store.value("AnzahlAccounts").toString(), QStringLiteral("2"));
        QCOMPARE(store.value("KontrollIntervall").toString(), QStringLiteral("2"));
        QCOMPARE(store.value("EMailProgramm").toString(), QStringLiteral("/usr/bin/mutt"));
        QCOMPARE(store.value("Sound").toString(), QStringLiteral("2"));
        QCOMPARE(store.value("Benachrichtigungsfenster").toString(), QStringLiteral("0"));
        // The keys of the former last account stay in the store.
        QCOMPARE(store.value("Account03EMail").toString(), QStringLiteral("user3@example.org"));
        // The close reloaded the list that was just stored.
        QCOMPARE(EMails(), QStringLiteral("user1@example.org,user2@example.org"));
    }

    void intervalCheckedWhenSaving_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("message");  // empty: saved
        QTest::addColumn<int>("stored");
        QTest::newRow("letters") << "abc" << formEinstellungen::IntervalNotNumericOnSave << 0;
        QTest::newRow("empty") << "" << formEinstellungen::IntervalNotNumericOnSave << 0;
        QTest::newRow("above 16 bits") << "40000" << formEinstellungen::IntervalOutOfRange << 0;
        QTest::newRow("below 16 bits") << "-40000" << formEinstellungen::IntervalOutOfRange << 0;
        QTest::newRow("half rounds to even") << "2,5" << QString() << 2;
        QTest::newRow("zero") << "0" << QString() << 0;
        QTest::newRow("negative") << "-3" << QString() << -3;
        QTest::newRow("largest") << "32767" << QString() << 32767;
    }
    void intervalCheckedWhenSaving() {
        QFETCH(QString, interval);
        QFETCH(QString, message);
        QFETCH(int, stored);
        StoreAccounts(2);
        const QByteArray before = env_->read(QStringLiteral("config/Postfalke/Postfalke.conf"));
        formEinstellungen* d = formEinstellungen::ShowInstance();
        Accounts[1].Server = QStringLiteral("changed.example.org");
        d->Text6->setText(interval);
        d->Option3->click();
        QObject scope;
        BoxSeen box;
        AnswerNextBox(&scope, &box);
        d->Command3->click();
        if (message.isEmpty()) {
            QVERIFY(!box.shown);
            QCOMPARE(int(Settings.KontrollIntervall), stored);
            QCOMPARE(formEinstellungen::Instance(), nullptr);
            return;
        }
        QCOMPARE(box.text, message);
        QCOMPARE(box.title, QStringLiteral("Postfalke"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(formEinstellungen::Instance(), d);
        QVERIFY(d->isVisible());
        QCOMPARE(d->Text6->text(), interval);
        QCOMPARE(int(Settings.KontrollIntervall), 5);
        QCOMPARE(int(Settings.Sound), 1);
        QCOMPARE(env_->read(QStringLiteral("config/Postfalke/Postfalke.conf")), before);
        QCOMPARE(Accounts.at(1).Server, QStringLiteral("changed.example.org"));
    }

    // Leaving the interval field asks for a number only: fractions, 0 and negative numbers pass.
    void intervalFocusCheck_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<bool>("complains");
        QTest::newRow("letters") << "abc" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("fraction") << "1,5" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("negative") << "-3" << false;
        QTest::newRow("too large for saving") << "40000" << false;
    }
    void intervalFocusCheck() {
        QFETCH(QString, interval);
        QFETCH(bool, complains);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->Text6->setFocus();
        QVERIFY(d->Text6->hasFocus());
        d->Text6->setText(interval);
        QTest::keyClick(d->Text6, Qt::Key_Tab);
        // The check runs once the focus has moved on.
        QObject scope;
        BoxSeen box;
        AnswerNextBox(&scope, &box);
        QTest::qWait(0);
        QCOMPARE(box.shown, complains);
        if (complains) {
            QCOMPARE(box.text, QStringLiteral("\r\nBitte geben Sie eine ganze Zahl ein!\r\n"));
            QCOMPARE(box.icon, QMessageBox::Information);
            QCOMPARE(box.title, QStringLiteral("Postfalke"));
            // The field gets the focus back (it has it again when the dialog is active again).
            QCOMPARE(d->focusWidget(), d->Text6);
        } else {
            QCOMPARE(QApplication::focusWidget(), d->Text7);
        }
    }

    // A mouse click on "Änderungen speichern" moves the focus out of the field too: the user sees
    // one message, and nothing is saved.
    void clickingSaveWithABadIntervalGivesOneMessage() {
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->Text6->setFocus();
        d->Text6->setText(QStringLiteral("abc"));
        QObject scope;
        BoxSeen first;
        AnswerNextBox(&scope, &first);
        QTest::mouseClick(d->Command3, Qt::LeftButton);
        BoxSeen second;
        AnswerNextBox(&scope, &second);
        QTest::qWait(0);
        QTest::qWait(0);
        QVERIFY(first.shown);
        QVERIFY(!second.shown);
        QCOMPARE(formEinstellungen::Instance(), d);
        QVERIFY(!QFile::exists(env_->storeFile()));
    }

    void testBalloonPressesTheMainWindowsButton() {
        int pressed = 0;
        Forms::PressMainCommand6 = [&pressed] { ++pressed; };
        formEinstellungen* d = formEinstellungen::ShowInstance();
        d->Check3->setChecked(false);
        d->Command11->click();
        d->Check3->setChecked(true);
        d->Command11->click();
        QCOMPARE(pressed, 2);
        QVERIFY(d->isVisible());
    }

    // The import dialog works on the same list, reloads it from the store when it closes, and then
    // presses Command12 of the visible settings dialog.
    void importAndCommand12() {
        StoreAccounts(1);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QWidget* modalOver = nullptr;
        Forms::ShowImport = [&modalOver](QWidget* over) {
            modalOver = over;
            Accounts.append(MakeAccount(2));
            formEinstellungen* settings = formEinstellungen::Instance();
            if (settings && settings->isVisible())
                settings->Command12->click();
        };
        d->Command2->click();
        QCOMPARE(modalOver, d);
        QCOMPARE(Rows(d), (QList<QStringList>{RowOf(1, 1), RowOf(2, 2)}));
        // Command12 alone refills the list.
        Accounts.remove(1);
        d->Command12->click();
        QCOMPARE(Rows(d), (QList<QStringList>{RowOf(1, 2)}));
    }

    void fileChoosers_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");  // null: cancel
        QTest::addColumn<QString>("expected");  // the file name that lands in the field; empty: unchanged
        QTest::newRow("e-mail program chosen") << "Command7" << "mailer" << "mailer";
        QTest::newRow("e-mail program cancelled") << "Command7" << QString() << "";
        QTest::newRow("wave file typed without extension") << "Command8" << "klang" << "klang.wav";
        QTest::newRow("wave file cancelled") << "Command8" << QString() << "";
    }
    void fileChoosers() {
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        for (const char* name : {"mailer", "klang.wav"}) {
            QFile f(env_->path(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const SettingsRecord before = Settings;
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QLineEdit* field = button == QLatin1String("Command7") ? d->Text7 : d->Text9;
        const QString old = field->text();
        QObject scope;
        QString title, directory, nameField, filterShown;
        QWidget* parent = nullptr;
        OnNextModal(&scope, [&](QWidget* w) {
            auto* chooser = qobject_cast<QFileDialog*>(w);
            if (!chooser)
                return;
            title = chooser->windowTitle();
            directory = chooser->directory().absolutePath();
            parent = chooser->parentWidget();
            if (auto* edit = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                nameField = edit->text();
                edit->setText(typed);
            }
            if (auto* types = chooser->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                filterShown = types->currentText();
            if (typed.isNull())
                chooser->reject();
            else
                static_cast<QDialog*>(chooser)->accept();
        });
        d->findChild<QPushButton*>(button)->click();
        QCOMPARE(title, QString::fromUtf8("Datei öffnen"));
        QCOMPARE(directory, QDir(env_->folder()).absolutePath());
        QCOMPARE(parent, d);
        const bool wave = button == QLatin1String("Command8");
        QCOMPARE(nameField, wave ? QStringLiteral("*.wav") : QString());
        QCOMPARE(filterShown, wave ? QStringLiteral("wav-Dateien (*.wav)") : QStringLiteral("Alle Dateien (*.*)"));
        QCOMPARE(field->text(), expected.isEmpty() ? old : QDir::toNativeSeparators(QDir(env_->folder()).filePath(expected)));
        // Nothing reaches the settings before saving.
        d->Command4->click();
        QCOMPARE(Settings.EMailProgramm, before.EMailProgramm);
        QCOMPARE(Settings.SoundDatei, before.SoundDatei);
    }

    void playButton_data() {
        QTest::addColumn<QString>("file");  // empty: the field is empty
        QTest::addColumn<bool>("exists");
        QTest::newRow("empty path") << "" << false;
        QTest::newRow("missing file") << "fehlt.wav" << false;
        QTest::newRow("existing file") << "klang.wav" << true;
    }
    void playButton() {
        QFETCH(QString, file);
        QFETCH(bool, exists);
        const QString path = file.isEmpty() ? QString() : env_->path(file);
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QStringList requests;
        Qt::CursorShape shapeMeanwhile = Qt::ArrowCursor;
        Sound::SetRecorderForTesting([&](const QString& r) {
            requests << r;
            shapeMeanwhile = d->cursor().shape();
        });
        d->Text9->setText(path);
        d->Option3->click();  // played whatever the option
        QObject scope;
        BoxSeen box;
        OnNextModal(&scope, [&](QWidget* w) {
            shapeMeanwhile = d->cursor().shape();
            box = Inspect(w);
            if (auto* b = qobject_cast<QMessageBox*>(w))
                b->buttons().first()->click();
        });
        d->Command10->click();
        QCOMPARE(shapeMeanwhile, Qt::WaitCursor);
        QCOMPARE(d->cursor().shape(), Qt::ArrowCursor);
        if (exists) {
            QCOMPARE(requests, QStringList{"sync:" + path});
            QVERIFY(!box.shown);
        } else {
            QCOMPARE(requests, QStringList());
            QCOMPARE(box.text, QStringLiteral("\r\nSound-Datei existiert nicht!\r\n"));
            QCOMPARE(box.icon, QMessageBox::Warning);
            QCOMPARE(box.title, QStringLiteral("Postfalke"));
        }
        QCOMPARE(int(Settings.Sound), 1);
    }

    void helpOpensTheStartPage() {
        QStringList opened;
        SetShellOpenHandler([&opened](const QString& path) { opened << path; });
        formEinstellungen* d = formEinstellungen::ShowInstance();
        d->Command13->click();
        QCOMPARE(opened, QStringList{QDir(env_->folder()).filePath(QStringLiteral("hilfe/start.html"))});
        QVERIFY(d->isVisible());
    }

    // The program ends (the main window closes its dialogs) while the editor is open over the
    // settings dialog; the settings dialog may even be gone before the editor returns.
    void closedWhileTheEditorIsOpen_data() {
        QTest::addColumn<bool>("deletedAtOnce");
        QTest::newRow("settings closed, then the editor") << false;
        QTest::newRow("settings deleted under the editor") << true;
    }
    void closedWhileTheEditorIsOpen() {
        QFETCH(bool, deletedAtOnce);
        StoreAccounts(1);
        QPointer<formEinstellungen> d = formEinstellungen::ShowInstance();
        QObject scope;
        OnNextModal(&scope, [d, deletedAtOnce](QWidget* w) {
            auto* e = qobject_cast<formAccount*>(w);
            if (!e || !d)
                return;
            e->Text1->setText(QStringLiteral("ungespeichert@example.org"));
            d->close();
            if (deletedAtOnce)
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (formAccount* editor = formAccount::Instance())
                editor->reject();
        });
        d->Command6->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!d);
        QCOMPARE(formAccount::Instance(), nullptr);
        QCOMPARE(EMails(), QStringLiteral("user1@example.org"));
    }

    // A check running while the dialog is open reads the same in-memory list: an edit is there at
    // once, before saving, with the account's last count kept; the store still holds the old one.
    void editsReachTheSharedListBeforeSaving() {
        StoreAccounts(2);
        Accounts[1].NewMailCount = 4;
        formEinstellungen* d = formEinstellungen::ShowInstance();
        Select(d, 1);
        QObject scope;
        OnNextModal(&scope, [](QWidget* w) {
            if (auto* e = qobject_cast<formAccount*>(w)) {
                e->Text2->setText(QStringLiteral("neu.example.org"));
                e->Text3->setText(QStringLiteral("993"));
                e->Command2->click();
            }
        });
        d->Command5->click();
        QVERIFY(d->isVisible());
        QCOMPARE(Accounts.at(1).Server, QStringLiteral("neu.example.org"));
        QCOMPARE(int(Accounts.at(1).Port), 993);
        QCOMPARE(int(Accounts.at(1).NewMailCount), 4);
        QSettings store(env_->storeFile(), QSettings::IniFormat);
        QCOMPARE(store.value("Einstellungen/Account01Server").toString(), QStringLiteral("imap1.example.org"));
    }

private:
    std::unique_ptr<TestEnvironment> env_;
    std::unique_ptr<ModalWatchdog> watchdog_;
};

QTEST_MAIN(TestFormEinstellungen)
#include "tst_formeinstellungen.moc"
