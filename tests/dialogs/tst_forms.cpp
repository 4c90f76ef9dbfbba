// The account editor, the settings dialog around it with its file chooser, the welcome dialog that
// leads to it, a check that runs while the settings dialog is open, and the window that trusts a
// refused certificate.

#include "check/checkcycle.h"
#include "check/winsock.h"
#include "core/listview.h"
#include "core/sound.h"
#include "core/translation.h"
#include "dialogs/formzertifikat.h"
#include "dialogworld.h"
#include "dovecotserver.h"
#include "scriptedimapserver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

namespace {
Account MakeAccount(int n) {
    const QString s = QString::number(n);
    return {"user" + s + "@example.org", "imap" + s, quint16(140 + n), "user" + s, "geheim" + s, "INBOX." + s, qint16(n), {}, qint16(n % 2), false, 0, {}};
}
// Accounts 1..n in memory and in the store.
void StoreAccounts(int n) {
    for (int i = 1; i <= n; ++i)
        Accounts.append(MakeAccount(i));
    SaveAccounts();
}

const QStringList kComplete = {"neu@example.org", "INBOX", "imap.example.org", "143", "neu", "pw"};
void Add() { formAccount::AddAccount(nullptr); }

// What one opening of the editor showed and did.
struct Session {
    QStringList shown;  // the fields as it opened
    BoxSeen box;
    bool stillOpen = false;  // after the button
};
// Opens the editor through `open`, types `input` into the fields and presses save (or
// "Abbrechen"); a message box is answered, and an editor left open is then cancelled.
Session Drive(const std::function<void()>& open, const QStringList& input, bool cancel = false) {
    Session s;
    QObject scope;
    OnNextModal(&scope, [&](QWidget* w) {
        QPointer<formAccount> e = qobject_cast<formAccount*>(w);
        if (!e)
            return;
        for (int i = 0; i < 6; ++i) {
            s.shown << EditorFields(e)[i]->text();
            EditorFields(e)[i]->setText(input[i]);
        }
        AnswerNextBox(&scope, &s.box);
        (cancel ? e->Command6 : e->Command2)->click();
        s.stillOpen = e && e->isVisible();
        if (s.stillOpen)
            e->Command6->click();
    });
    open();
    return s;
}

QVariantList Values(const SettingsRecord& s) {
    return {s.KontrollIntervall, s.EMailProgramm, s.BenachrichtigungFokus, int(s.Sound), s.SoundDatei,
            s.Benachrichtigungsfenster, s.BalloonTip};
}
// Clicks the button and answers the message box it opens (with its first button unless named).
BoxSeen ClickAnswering(QAbstractButton* button, QMessageBox::StandardButton answer = QMessageBox::NoButton) {
    QObject scope;
    BoxSeen box;
    AnswerNextBox(&scope, &box, answer);
    button->click();
    return box;
}
}  // namespace

class TestForms : public QObject {
    Q_OBJECT
    std::unique_ptr<DialogWorld> world_;
    UiTestEnvironment& env() const { return world_->env; }
    QByteArray stored() const { return env().read(QStringLiteral("config/Postfalke/Postfalke.conf")); }

private slots:
    void initTestCase() { QVERIFY(InstallGermanTranslation()); }
    void init() {
        world_ = std::make_unique<DialogWorld>();
        QVERIFY(QFile(env().path(QStringLiteral("klang.wav"))).open(QIODevice::WriteOnly));
    }
    void cleanup() {
        const QString left = world_->CloseAll();
        world_.reset();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // The checks run in order, the first failing one keeps the editor open; blanks count, the port is rounded.
    void editorChecksTheInput_data() {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QString>("message");  // empty: saved
        QTest::addColumn<int>("port");         // as stored
        auto row = [](const char* name, const QStringList& input, const QString& message, int stored = 0) {
            QTest::newRow(name) << input << message << stored;
        };
        row("all empty: the port first", {"", "", "", "", "", ""}, "Bitte geben Sie eine Zahl bei \"\"Port\"\" ein.");
        const QString range = "Bitte geben Sie bei \"Port\" eine Zahl von 1 bis 65535 ein.";
        row("port beyond 16 bits", {"", "", "", "65536", "", ""}, range);
        row("port 0", {"a@b", "INBOX", "s", "0", "u", "p"}, range);
        row("high port", {"a@b", "INBOX", "s", "40000", "u", "p"}, "", 40000);
        row("valid port, rest empty: only the server", {"", "", "", "143", "", ""}, "Bitte geben Sie einen Server an.");
        row("then the address", {"", "", "s", "143", "", ""}, "Bitte geben Sie eine E-Mail Adresse an.");
        row("then the user name", {"a@b", "", "s", "143", "", ""}, "Bitte geben Sie einen Benutzername an.");
        row("then the password", {"a@b", "", "s", "143", "u", ""}, "Bitte geben Sie ein Passwort an.");
        row("then the mailbox", {"a@b", "", "s", "143", "u", "p"}, "Bitte geben Sie eine Mailbox an.");
        row("blanks, port 1,5 stored as 2", {" ", " ", " ", "1,5", " ", " "}, "", 2);
    }
    void editorChecksTheInput() {
        QFETCH(QStringList, input);
        QFETCH(QString, message);
        QFETCH(int, port);
        const Session s = Drive(Add, input);
        QCOMPARE(s.box.text, message);
        QCOMPARE(s.stillOpen, !message.isEmpty());
        QCOMPARE(AccountCount(), message.isEmpty() ? 1 : 0);
        if (message.isEmpty()) {
            input[3] = QString::number(port);
            QCOMPARE(EditorValues(Accounts.at(1)), input);
        }
    }

    // Add appends, edit replaces entry 2 keeping its count, a copy opens without password; the rest stay.
    void editorModes_data() {
        QTest::addColumn<int>("mode");  // 0 add, 1 edit account 2, 2 copy account 2
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("at");  // where the saved account is, 0 for none
        QTest::addColumn<int>("newMail");
        QTest::addColumn<int>("zaehlweise");
        const QStringList fresh = {"", "INBOX", "", "993", "", ""};
        QStringList copied = EditorValues(MakeAccount(2));
        copied[5].clear();
        QTest::newRow("add: counts unseen mail") << 0 << false << fresh << 4 << 0 << 1;
        QTest::newRow("edit") << 1 << false << EditorValues(MakeAccount(2)) << 2 << 2 << 0;
        QTest::newRow("copy") << 2 << false << copied << 4 << 0 << 0;
        QTest::newRow("add, Abbrechen") << 0 << true << fresh << 0 << 0 << 0;
    }
    void editorModes() {
        QFETCH(int, mode);
        QFETCH(bool, cancel);
        QFETCH(QStringList, shown);
        QFETCH(int, at);
        QFETCH(int, newMail);
        QFETCH(int, zaehlweise);
        const std::function<void()> open[] = {Add, [] { formAccount::EditAccount(nullptr, 2); },
                                              [] { formAccount::CopyAccount(nullptr, 2); }};
        StoreAccounts(3);
        QCOMPARE(Drive(open[mode], kComplete, cancel).shown, shown);
        QCOMPARE(AccountCount(), qMax(3, at));
        for (int i = 1; i <= 3; ++i)
            if (i != at)
                QCOMPARE(EditorValues(Accounts.at(i)), EditorValues(MakeAccount(i)));
        if (at) {
            QCOMPARE(EditorValues(Accounts.at(at)), kComplete);
            QCOMPARE(Accounts.at(at).NewMailCount, qint16(newMail));
            QCOMPARE(Accounts.at(at).Zaehlweise, qint16(zaehlweise));
        }
    }

    // Deleting asks and renumbers in memory; saving writes and takes effect at once, Abbrechen reloads.
    void settingsDeleteThenLeave_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("Änderungen speichern") << true;
        QTest::newRow("Abbrechen") << false;
    }
    void settingsDeleteThenLeave() {
        QFETCH(bool, save);
        StoreAccounts(3);
        const QVariantList settings = Values(Settings);
        const QByteArray before = stored();
        formEinstellungen* d = formEinstellungen::ShowInstance();
        d->ListView1->topLevelItem(1)->setSelected(true);
        BoxSeen box = ClickAnswering(d->Command1, QMessageBox::No);
        QCOMPARE(box.text, QString::fromUtf8("\r\nSoll der Account \"user2@example.org\" wirklich gelöscht werden?\r\n"));
        box.buttons.sort();
        QCOMPARE(box.buttons, (QStringList{"Ja", "Nein"}));
        QCOMPARE(AccountCount(), 3);
        d->ListView1->topLevelItem(1)->setSelected(true);
        ClickAnswering(d->Command1, QMessageBox::Yes);
        QCOMPARE(Rows(d->ListView1), (QList<QStringList>{{"1", "user1@example.org", "INBOX.1", "imap1"},
                                                         {"2", "user3@example.org", "INBOX.3", "imap3"}}));
        d->Text6->setText(QStringLiteral("1,5"));
        d->Text7->setText(QStringLiteral("/usr/bin/mutt"));
        d->Text9->setText(QStringLiteral("/home/klang.wav"));
        d->Option2->click();
        d->Check1->setChecked(true);
        d->Check2->setChecked(false);
        d->Check3->setChecked(true);
        (save ? d->Command3 : d->Command4)->click();
        QCOMPARE(formEinstellungen::Instance(), nullptr);
        const QVariantList expected = save ? QVariantList{2, "/usr/bin/mutt", 1, 2, "/home/klang.wav", 0, 1} : settings;
        QCOMPARE(Values(Settings), expected);
        QCOMPARE(EMails().join(' '), save ? "user1@example.org user3@example.org"
                                          : "user1@example.org user2@example.org user3@example.org");
        if (!save)
            QCOMPARE(stored(), before);
        QVERIFY(stored().contains("Account03EMail=user3@example.org"));  // a freed slot's keys stay
        Settings = SettingsRecord{};
        LoadSettings();
        QCOMPARE(Values(Settings), expected);
    }

    // The options show the stored Sound (7 selects none); saving unchanged keeps every setting.
    void settingsOpenAndSaveKeepTheSettings() {
        for (int sound : {0, 1, 2, 7}) {
            Settings = {15, QStringLiteral("/usr/bin/thunderbird"), 0, SoundChoice(sound), QStringLiteral("/tmp/a.wav"), 1, 1};
            const QVariantList before = Values(Settings);
            formEinstellungen* d = formEinstellungen::ShowInstance();
            const QList<bool> options = {d->Option3->isChecked(), d->Option1->isChecked(), d->Option2->isChecked()};
            QCOMPARE(options, (QList<bool>{sound == 0, sound == 1, sound == 2}));
            d->Command3->click();
            Settings = SettingsRecord{};
            LoadSettings();
            QCOMPARE(Values(Settings), before);
        }
    }

    // An unwritable store is named in a message; the dialog, also when asked for again, keeps its edits.
    void settingsSaveFailureKeepsTheDialog() {
        QVERIFY(QFile(env().path(QStringLiteral("blocker"))).open(QIODevice::WriteOnly));  // a file, not a folder
        Store::SetFileForTesting(env().path(QStringLiteral("blocker/Postfalke.conf")));
        formEinstellungen* d = formEinstellungen::ShowInstance();
        d->Text6->setText(QStringLiteral("12"));
        QVERIFY(ClickAnswering(d->Command3).text.contains(env().path(QStringLiteral("blocker/Postfalke.conf"))));
        QVERIFY(d->isVisible());
        QCOMPARE(formEinstellungen::ShowInstance(), d);
        QCOMPARE(d->Text6->text(), QStringLiteral("12"));
        QCOMPARE(Settings.KontrollIntervall, qint16(5));
        d->Command4->click();
    }

    // Leaving the field asks for a number, saving for a 16-bit one: one message, though the click leaves it too.
    void settingsIntervalChecks_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("message");
        const QString notSaved = QString::fromUtf8("\r\nDie Änderungen wurden nicht gespeichert.\r\n");
        QTest::newRow("leaving: abc") << "abc" << false << "\r\nBitte geben Sie eine ganze Zahl ein!\r\n";
        QTest::newRow("leaving: 1,5") << "1,5" << false << "";
        QTest::newRow("saving: abc") << "abc" << true
                                     << "\r\nBitte geben Sie beim Kontroll-Intervall eine ganze Zahl ein!" + notSaved;
        QTest::newRow("saving: 40000") << "40000" << true
                                       << "\r\nDas Kontroll-Intervall muss eine Zahl von -32768 bis 32767 sein!" + notSaved;
    }
    void settingsIntervalChecks() {
        QFETCH(QString, interval);
        QFETCH(bool, save);
        QFETCH(QString, message);
        StoreAccounts(1);
        const QByteArray before = stored();
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->Text6->setFocus();
        d->Text6->setText(interval);
        d->Option3->click();
        QObject scope;
        BoxSeen first, second;
        if (save) {
            AnswerNextBox(&scope, &first);
            QTest::mouseClick(d->Command3, Qt::LeftButton);
        } else {
            QTest::keyClick(d->Text6, Qt::Key_Tab);  // the check runs once the focus has moved on
            AnswerNextBox(&scope, &first);
        }
        AnswerNextBox(&scope, &second);
        QTest::qWait(0);
        QCOMPARE(first.text, message);
        QVERIFY(!second.shown);
        QCOMPARE(d->focusWidget(), message.isEmpty() ? d->Text7 : d->Text6);
        QCOMPARE(formEinstellungen::Instance(), d);
        QCOMPARE(int(Settings.Sound), 1);
        QCOMPARE(stored(), before);
    }

    // Edit, copy and delete need a selected row; the current row is the selected one, also after a refill.
    void settingsAccountButtonsFollowTheSelectedRow() {
        StoreAccounts(2);
        formEinstellungen* d = formEinstellungen::ShowInstance();
        const QList<QPushButton*> buttons = {d->Command5, d->Command9, d->Command1};
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->Text7->setFocus();
        d->ListView1->SelectRow(0);
        for (QPushButton* button : buttons)
            QVERIFY(!button->isEnabled());
        d->ListView1->setCurrentItem(d->ListView1->topLevelItem(1));
        QCOMPARE(d->ListView1->SelectedRow(), 2);
        Drive([d] { d->Command5->click(); }, kComplete, true);
        QCOMPARE(d->ListView1->SelectedRow(), 2);
        for (QPushButton* button : buttons)
            QVERIFY(button->isEnabled());
        d->ListView1->topLevelItem(0)->setSelected(true);
        QCOMPARE(d->ListView1->selectedItems().size(), 1);
        QCOMPARE(d->ListView1->currentItem(), d->ListView1->topLevelItem(0));
    }

    // Play waits for the wave file or says it is missing. The choosers show their descriptions and filter
    // by the patterns in them ("*.*" is every file, also one without an extension); a cancel keeps the field.
    void settingsWaveFile() {
        const QString wave = env().path(QStringLiteral("klang.wav"));
        QStringList played;
        Sound::SetRecorderForTesting([&played](const QString& request) { played << request; });
        formEinstellungen* d = formEinstellungen::ShowInstance();
        for (const QString& path : {QString(), env().path(QStringLiteral("fehlt.wav")), wave}) {
            d->Text9->setText(path);
            QCOMPARE(ClickAnswering(d->Command10).text,
                     path == wave ? QString() : QStringLiteral("\r\nSound-Datei existiert nicht!\r\n"));
        }
        QCOMPARE(played, QStringList{"sync:" + wave});

        QStringList filters;
        for (QPushButton* button : {d->Command8, d->Command7}) {
            OnNextModal(this, [&filters](QWidget* w) {
                if (auto* chooser = qobject_cast<QFileDialog*>(w)) {
                    filters << chooser->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText()
                            << chooser->nameFilters();
                    chooser->reject();
                }
            });
            button->click();
        }
        QCOMPARE(filters, (QStringList{"wav-Dateien (*.wav)", "wav-Dateien (*.wav) (*.wav)", "Alle Dateien (*.*)",
                                       "Alle Dateien (*.*) (*)"}));
        QCOMPARE(d->Text9->text(), wave);
    }

    // A check sees an account as edited in the settings dialog, before anything is saved.
    void checkWhileEditingUsesTheEditedAccount() {
        ScriptedImapServer edited;
        edited.setRecent(3);
        Accounts.append({"max@example.org", "alter rechner.invalid", 143, "alt", "geheim", "INBOX", 0, {}, 0, false, 0, {}});
        SaveAccounts();
        formEinstellungen* settings = formEinstellungen::ShowInstance();
        settings->ListView1->topLevelItem(0)->setSelected(true);
        OnNextModal(this, [&edited](QWidget* w) {
            if (auto* editor = qobject_cast<formAccount*>(w)) {
                editor->Text2->setText(QStringLiteral("127.0.0.1"));
                editor->Text3->setText(QString::number(edited.port()));
                editor->Text4->setText(QStringLiteral("neu"));
                editor->Command2->click();
            }
        });
        settings->Command5->click();
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 400});
        int cycles = 0;
        cycle.SetAlertDispatcher([&cycles] { ++cycles; });
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 1, 5000);
        QCOMPARE(edited.commands().value(0), QByteArray("A001 LOGIN neu geheim"));
        QCOMPARE(Accounts.at(1).NewMailCount, qint16(3));
        QVERIFY(settings->isVisible());
        QVERIFY(stored().contains("alter rechner.invalid"));
    }

    // Editing shows the stored choice and port; forgetting the certificate and saving keeps the choice.
    void editorKeepsAndForgetsTheCertificate() {
        Accounts << Account{"a@example.org", "imap.example.org", 143, "a", "pw", "INBOX", 0, {}, 0, false, 2, "AB:CD"};
        QStringList seen;
        OnNextModal(this, [&](QWidget* w) {
            auto* e = qobject_cast<formAccount*>(w);
            seen << e->Combo2->currentText() << e->Text3->text() << e->Text9->text();
            e->Command8->click();
            seen << e->Text9->text();
            e->Command2->click();
        });
        formAccount::EditAccount(nullptr, 1);
        QCOMPARE(seen, (QStringList{"SSL/TLS", "143", "AB:CD", "keines"}));
        QCOMPARE(Accounts[1].Verschluesselung, qint16(2));
        QVERIFY(Accounts[1].Zertifikat.isEmpty());
    }

    // A self-signed certificate fails the check; the window shows why and whom, its button trusts
    // the certificate at once (memory and store), and the next check counts.
    void trustingARefusedCertificate() {
        DovecotServer dovecot;
        QVERIFY2(dovecot.start({{"maria", "geheim", 3}}), qPrintable(dovecot.errorString()));
        QVERIFY2(dovecot.useCertificate(DovecotServer::Certificate::SelfSigned), qPrintable(dovecot.errorString()));
        Accounts << TestAccount(QStringLiteral("maria"), dovecot.tlsPort(), QStringLiteral("geheim"));
        Accounts[1].Verschluesselung = 2;
        SaveAccounts();
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 5000});
        int cycles = 0;
        cycle.SetAlertDispatcher([&] { ++cycles; });
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 1, 20000);
        QCOMPARE(cycle.RejectedCertificates().size(), 1);

        auto* window = new formZertifikat(cycle.RejectedCertificates().at(0));
        const QString fingerprint = Tls::Fingerprint(dovecot.certificate());
        QCOMPARE(window->windowTitle(), QStringLiteral("Zertifikat prüfen"));
        const QString details = window->Text1->toPlainText();
        for (const QString& part : {QStringLiteral("127.0.0.1:%1").arg(dovecot.tlsPort()), QStringLiteral("selbstsigniert"),
                                    QStringLiteral("Ausgestellt von: 127.0.0.1"), fingerprint})
            QVERIFY2(details.contains(part), qPrintable(details));
        window->Command1->click();
        QCOMPARE(Accounts[1].Zertifikat, fingerprint);
        Accounts[1].Zertifikat.clear();
        LoadAccounts();
        QCOMPARE(Accounts[1].Zertifikat, fingerprint);
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 2, 20000);
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
    }

    // The welcome text; its import button opens the settings dialog with the import modal over it.
    void welcome() {
        Forms::ShowImport = formOEImport::Show;
        QPointer<formWillkommen> welcome = formWillkommen::ShowInstance();
        QCOMPARE(welcome->Label2->text(),
                 QString::fromUtf8(
                     "Sie haben noch keine zu überwachenden IMAP E-Mail Konten angelegt.\r\n\r\n"
                     "Wählen Sie unten, ob Sie diese manuell anlegen, oder aus Outlook Express importieren wollen.\r\n"
                     "Natürlich können Sie auch später weitere Accounts hinzufügen und/oder importieren.\r\n\r\n"
                     "Danach sollten Sie die Allgemeinen Einstellungen sowie die Einstellungen für die Benachrichtigung "
                     "überprüfen und gegebenfalls anpassen.\r\n\r\n"
                     "Standardmäßig zeigt Postfalke bei neu eingegangenen E-Mails ein Benachrichtigungs- Fenster an und "
                     "alarmiert akustisch mittels System-Beep. Sie können aber auch eine individuelle Wave-Datei für "
                     "die Alarmierung wählen und/oder einen Balloon-Tip im System-Tray anzeigen lassen."));
        QWidget* importOver = nullptr;
        QObject scope;
        WhenModal<formOEImport>(&scope, [&importOver](formOEImport* dialog) {
            importOver = dialog->parentWidget();
            dialog->Command3->click();
        });
        welcome->Command2->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!welcome);
        formEinstellungen* settings = formEinstellungen::Instance();
        QVERIFY(settings && settings->isVisible());
        QTRY_COMPARE(importOver, settings);
    }
};

QTEST_MAIN(TestForms)
#include "tst_forms.moc"
